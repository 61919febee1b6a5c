#include "core/eval/CEval.h"

#include <charconv>
#include <cmath>

#include "core/eval/CStack.h"

namespace zarn {

namespace {

enum class State { kStart, kOperand, kOperator, kUnary };

constexpr std::string_view kUnaryMinus = "(-)";

bool IsOperatorChar(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == '^'; }
bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }

void AppendToken(std::string& postfix, std::string_view token) {
  postfix.append(token);
  postfix.push_back(' ');
}

void PopToOutput(CStack& stack, std::string& postfix) {
  CStack::Value top = stack.Pop();
  if (const auto* token = std::get_if<std::string>(&top)) AppendToken(postfix, *token);
}

std::string_view TopToken(CStack& stack) {
  const auto* token = std::get_if<std::string>(&stack.GetPopValue());
  return token != nullptr ? std::string_view(*token) : std::string_view();
}

// Numbers always use "." whatever the user's locale, so a coordinate reads
// the same on every machine.
std::optional<double> ParseNumber(std::string_view token) {
  double value = 0;
  const char* first = token.data();
  const char* last = first + token.size();
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
  if (end != last) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    // Too many integer digits overflows; a tiny fraction is just zero.
    for (char c : token) {
      if (c == '.') return 0.0;
      if (c != '0') ThrowOverflow();
    }
    return 0.0;
  }
  if (error != std::errc()) return std::nullopt;
  return value;
}

double ToDouble(const CStack::Value& value) {
  if (const auto* number = std::get_if<double>(&value)) return *number;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto number = ParseNumber(*text)) return *number;
    ThrowTypeMismatch();
  }
  return 0;  // an empty value counts as zero
}

double Apply(char op, double left, double right) {
  double result = 0;
  switch (op) {
    case '+':
      result = left + right;
      break;
    case '-':
      result = left - right;
      break;
    case '*':
      result = left * right;
      break;
    case '/':
      if (right == 0) {
        if (left == 0) ThrowOverflow();
        Throw(11, "Division by zero");
      }
      result = left / right;
      break;
    case '^':
      result = std::pow(left, right);
      // A negative base with a fractional exponent, or zero to a negative power.
      if (std::isnan(result) || (left == 0 && right < 0)) {
        Throw(vberr::kInvalidCall, "Invalid procedure call or argument");
      }
      break;
  }
  if (!std::isfinite(result)) ThrowOverflow();
  return result;
}

// The digits of an expression that is one whole number among blanks (most
// coordinates), or empty: no postfix form is needed for it.
std::string_view LoneNumber(std::string_view expression) {
  size_t first = 0;
  while (first < expression.size() && static_cast<unsigned char>(expression[first]) <= 32) ++first;
  size_t end = first;
  while (end < expression.size() && expression[end] >= '0' && expression[end] <= '9') ++end;
  for (size_t i = end; i < expression.size(); ++i) {
    if (static_cast<unsigned char>(expression[i]) > 32) return {};
  }
  return end - first <= 15 ? expression.substr(first, end - first) : std::string_view();
}

}  // namespace

double CEval::Evaluate(std::string_view sExpression) {
  error_message_.clear();
  last_failure_.reset();
  const std::string_view lone = LoneNumber(sExpression);
  if (!lone.empty()) return *ParseNumber(lone);
  std::string postfix;
  const int32_t column = ToPostfix(sExpression, postfix);
  if (column != 0) {
    last_failure_.emplace(evalerr::kSyntax, error_message_ + " : Column " + std::to_string(column));
    return 0;
  }
  try {
    return EvaluatePostfix(postfix);
  } catch (const VbError& failure) {
    last_failure_ = failure;
    return 0;
  }
}

int32_t CEval::SyntaxError(const char* message, size_t column) {
  error_message_ = message;
  // Columns past the 32-bit range cannot be told apart; keep them positive.
  constexpr size_t kMaxColumn = 0x7FFFFFFF;
  return static_cast<int32_t>(column < kMaxColumn ? column : kMaxColumn);
}

int CEval::OperatorPrecedence(std::string_view token) {
  if (token == "+" || token == "-") return 1;
  if (token == "*" || token == "/") return 2;
  if (token == "^") return 3;
  if (token == kUnaryMinus) return 10;
  return 0;
}

int32_t CEval::ToPostfix(std::string_view expression, std::string& postfix) {
  postfix.clear();
  CStack operators;
  State state = State::kStart;
  int64_t open_parentheses = 0;
  size_t i = 0;  // 0-based here; columns are i + 1
  while (i < expression.size()) {
    const char c = expression[i];
    if (c == '(') {
      if (state == State::kOperand) return SyntaxError("Operator expected", i + 1);
      if (state == State::kUnary) state = State::kOperator;
      operators.Push(std::string("("));
      ++open_parentheses;
    } else if (c == ')') {
      if (state != State::kOperand) return SyntaxError("Operand expected", i + 1);
      if (open_parentheses == 0) {
        return SyntaxError("Closing parenthesis without matching open parenthesis", i + 1);
      }
      while (!operators.Empty()) {
        CStack::Value top = operators.Pop();
        const auto* token = std::get_if<std::string>(&top);
        if (token != nullptr && *token == "(") break;
        if (token != nullptr) AppendToken(postfix, *token);
      }
      --open_parentheses;
    } else if (IsOperatorChar(c)) {
      const char token[2] = {c, '\0'};
      if (state == State::kOperand) {
        const int precedence = OperatorPrecedence(token);
        while (!operators.Empty() && OperatorPrecedence(TopToken(operators)) >= precedence) {
          PopToOutput(operators, postfix);
        }
        operators.Push(std::string(token));
        state = State::kOperator;
      } else {
        if (state == State::kUnary) return SyntaxError("Operand expected", i + 1);
        if (c == '-') {
          operators.Push(std::string(kUnaryMinus));
        } else if (c != '+') {
          return SyntaxError("Operand expected", i + 1);
        }
        state = State::kUnary;
      }
    } else if (IsNumberChar(c)) {
      if (state == State::kOperand) return SyntaxError("Operator expected", i + 1);
      size_t end = i;
      bool seen_point = false;
      while (end < expression.size() && IsNumberChar(expression[end])) {
        if (expression[end] == '.') {
          if (seen_point) {
            return SyntaxError("Operand contains multiple decimal points", end + 1);
          }
          seen_point = true;
        }
        ++end;
      }
      if (end - i == 1 && c == '.') return SyntaxError("Invalid operand", i + 1);
      AppendToken(postfix, expression.substr(i, end - i));
      state = State::kOperand;
      i = end;
      continue;
    } else if (static_cast<unsigned char>(c) > 32) {
      return SyntaxError("Unexpected character encountered", i + 1);
    }
    ++i;
  }
  if (state == State::kOperator || state == State::kUnary) {
    return SyntaxError("Operand expected", expression.size() + 1);
  }
  if (open_parentheses > 0) {
    return SyntaxError("Closing parenthesis expected", expression.size() + 1);
  }
  while (!operators.Empty()) PopToOutput(operators, postfix);
  return 0;
}

double CEval::EvaluatePostfix(std::string_view postfix) {
  CStack values;
  size_t start = 0;
  while (start < postfix.size()) {
    size_t end = postfix.find(' ', start);
    if (end == std::string_view::npos) end = postfix.size();
    const std::string_view token = postfix.substr(start, end - start);
    start = end + 1;
    if (token.empty()) continue;
    if (token == kUnaryMinus) {
      values.Push(-ToDouble(values.Pop()));
    } else if (token.size() == 1 && IsOperatorChar(token[0])) {
      const double right = ToDouble(values.Pop());
      const double left = ToDouble(values.Pop());
      values.Push(Apply(token[0], left, right));
    } else if (auto number = ParseNumber(token)) {
      values.Push(*number);
    }
  }
  if (values.Empty()) return 0;
  return ToDouble(values.Pop());
}

}  // namespace zarn
