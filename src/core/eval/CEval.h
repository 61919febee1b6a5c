#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/VbError.h"

namespace zarn {

// Evaluates coordinate arithmetic: numbers, + - * / ^, unary minus and
// parentheses. Invalid input never escapes as a failure: the result is 0.
// Precedence: + - (1) < * / (2) < ^ (3) < unary minus (10); every
// two-operand operator is left-associative, ^ included, so 2^3^2 is 64 and
// -2^2 is 4.
class CEval {
 public:
  double Evaluate(std::string_view sExpression);

  // Message of the syntax error the last Evaluate found, "" when none.
  const std::string& ErrorMessage() const { return error_message_; }
  // The failure the last Evaluate absorbed (syntax or arithmetic), if any.
  const std::optional<VbError>& LastFailure() const { return last_failure_; }

 private:
  friend class CEvalTestPeer;

  // Infix to postfix ("2 3 4 * + "). Returns the 1-based column of the
  // syntax error, or 0 on success.
  int32_t ToPostfix(std::string_view expression, std::string& postfix);
  static int OperatorPrecedence(std::string_view token);
  // Throws VbError on an arithmetic fault.
  double EvaluatePostfix(std::string_view postfix);

  int32_t SyntaxError(const char* message, size_t column);

  std::string error_message_;
  std::optional<VbError> last_failure_;
};

}  // namespace zarn
