// Compares CEval with a recursive-descent evaluator of the same grammar on
// generated expressions:
//   expr   := term   { ("+" | "-") term }
//   term   := factor { ("*" | "/") factor }
//   factor := signed { "^" signed }          (left-associative)
//   signed := [ "+" | "-" ] primary          (sign binds tighter than ^)
//   primary:= number | "(" expr ")"
// Arithmetic that leaves the finite doubles counts as a fault: result 0.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/eval/CEval.h"

namespace zarn {
namespace {

class Reference {
 public:
  // nullopt for a syntax error; 0 for an arithmetic fault.
  static std::optional<double> Evaluate(const std::string& text) {
    Reference parser;
    if (!parser.Tokenize(text)) return std::nullopt;
    if (parser.tokens_.empty()) return 0.0;
    double value = 0;
    if (!parser.Expr(value) || parser.pos_ != parser.tokens_.size()) return std::nullopt;
    return parser.fault_ ? 0.0 : value;
  }

 private:
  bool Tokenize(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (c <= 32) {
        ++i;
      } else if (std::isdigit(c) || c == '.') {
        size_t end = i;
        while (end < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
          ++end;
        }
        const std::string number = text.substr(i, end - i);
        if (number == "." || number.find('.') != number.rfind('.')) return false;
        tokens_.push_back(number);
        i = end;
      } else if (std::string("+-*/^()").find(static_cast<char>(c)) != std::string::npos) {
        tokens_.push_back(std::string(1, static_cast<char>(c)));
        ++i;
      } else {
        return false;
      }
    }
    return true;
  }

  bool Peek(const char* token) const { return pos_ < tokens_.size() && tokens_[pos_] == token; }

  double Check(double value) {
    if (!std::isfinite(value)) fault_ = true;
    return value;
  }

  bool Expr(double& value) {
    if (!Term(value)) return false;
    while (Peek("+") || Peek("-")) {
      const bool add = tokens_[pos_++] == "+";
      double right = 0;
      if (!Term(right)) return false;
      value = Check(add ? value + right : value - right);
    }
    return true;
  }

  bool Term(double& value) {
    if (!Factor(value)) return false;
    while (Peek("*") || Peek("/")) {
      const bool multiply = tokens_[pos_++] == "*";
      double right = 0;
      if (!Factor(right)) return false;
      value = Check(multiply ? value * right : value / right);
    }
    return true;
  }

  bool Factor(double& value) {
    if (!Signed(value)) return false;
    while (Peek("^")) {
      ++pos_;
      double right = 0;
      if (!Signed(right)) return false;
      value = Check(std::pow(value, right));
    }
    return true;
  }

  bool Signed(double& value) {
    bool negate = false;
    if (Peek("+") || Peek("-")) negate = tokens_[pos_++] == "-";
    if (!Primary(value)) return false;
    if (negate) value = -value;
    return true;
  }

  bool Primary(double& value) {
    if (pos_ >= tokens_.size()) return false;
    const std::string& token = tokens_[pos_];
    if (token == "(") {
      ++pos_;
      if (!Expr(value) || !Peek(")")) return false;
      ++pos_;
      return true;
    }
    if (!std::isdigit(static_cast<unsigned char>(token[0])) && token[0] != '.') return false;
    value = Check(std::strtod(token.c_str(), nullptr));
    ++pos_;
    return true;
  }

  std::vector<std::string> tokens_;
  size_t pos_ = 0;
  bool fault_ = false;
};

class ExpressionGenerator {
 public:
  explicit ExpressionGenerator(uint32_t seed) : rng_(seed) {}

  std::string Expression(int depth = 0) {
    std::string text = Operand(depth);
    const int operators = Uniform(0, depth > 2 ? 1 : 4);
    for (int i = 0; i < operators; ++i) {
      text += Blank();
      text += "+-*/^"[Uniform(0, 4)];
      text += Blank();
      text += Operand(depth);
    }
    return text;
  }

  // One random edit: most edits make the text invalid, some keep it valid.
  std::string Mutate(std::string text) {
    static const std::string kAlphabet = "0123456789.+-*/^() \tx";
    const size_t at = static_cast<size_t>(Uniform(0, static_cast<int>(text.size())));
    switch (Uniform(0, 2)) {
      case 0:
        text.insert(at, 1, kAlphabet[static_cast<size_t>(Uniform(0, kAlphabet.size() - 1))]);
        break;
      case 1:
        if (at < text.size()) text.erase(at, 1);
        break;
      default:
        if (at < text.size()) text[at] = kAlphabet[Uniform(0, kAlphabet.size() - 1)];
        break;
    }
    return text;
  }

 private:
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  std::string Blank() {
    switch (Uniform(0, 5)) {
      case 0:
        return " ";
      case 1:
        return "\t";
      default:
        return "";
    }
  }

  std::string Operand(int depth) {
    std::string text = Blank();
    const int sign = Uniform(0, 5);
    if (sign == 0) text += "-";
    if (sign == 1) text += "+";
    if (depth < 4 && Uniform(0, 3) == 0) {
      text += "(" + Blank() + Expression(depth + 1) + Blank() + ")";
    } else {
      text += Number();
    }
    return text;
  }

  std::string Number() {
    std::string digits;
    const int count = Uniform(1, 3);
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + Uniform(0, 9));
    switch (Uniform(0, 4)) {
      case 0:
        return "." + digits;
      case 1:
        return digits + ".";
      case 2:
        return digits.substr(0, 1) + "." + digits.substr(1);
      default:
        return digits;
    }
  }

  std::mt19937 rng_;
};

TEST(CEvalRandomised, AgreesWithRecursiveDescentOnGeneratedExpressions) {
  ExpressionGenerator generator(20240611);
  int valid = 0, invalid = 0, faults = 0;
  for (int i = 0; i < 40000; ++i) {
    std::string text = generator.Expression();
    if (i % 2 == 1) text = generator.Mutate(text);
    const std::optional<double> expected = Reference::Evaluate(text);
    CEval eval;
    const double actual = eval.Evaluate(text);
    SCOPED_TRACE(text);
    ASSERT_EQ(eval.ErrorMessage().empty(), expected.has_value()) << eval.ErrorMessage();
    ASSERT_TRUE(std::isfinite(actual));
    if (!expected) {
      ASSERT_EQ(actual, 0.0);
      ++invalid;
      continue;
    }
    // Same operations in the same order: the results agree to the bit.
    ASSERT_EQ(actual, *expected);
    ++valid;
    if (eval.LastFailure()) ++faults;
  }
  // The generator must exercise all three outcomes to mean anything.
  EXPECT_GT(valid, 20000);
  EXPECT_GT(invalid, 5000);
  EXPECT_GT(faults, 100);
}

}  // namespace
}  // namespace zarn
