#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/eval/CEval.h"
#include "core/eval/CStack.h"

namespace zarn {

class CEvalTestPeer {
 public:
  static int32_t ToPostfix(CEval& eval, std::string_view expression, std::string& postfix) {
    return eval.ToPostfix(expression, postfix);
  }
  static int OperatorPrecedence(std::string_view token) { return CEval::OperatorPrecedence(token); }
};

namespace {

TEST(CEvalEvaluate, ComputesValidExpressions) {
  struct Case {
    const char* expression;
    double value;
  };
  const Case cases[] = {
      {"2+3*4", 14},
      {" \t042 ", 42},
      {"(2+3)*4", 20},
      {"10-4-3", 3},
      {"8/4/2", 1},
      {"2^3^2", 64},  // left-associative
      {"-2^2", 4},    // unary minus binds tighter than ^
      {"2*-3", -6},
      {"2^-1", 0.5},
      {"2--3", 5},
      {"3-+2", 1},
      {"+5", 5},
      {"-(2)", -2},
      {"-(1+2)^2", 9},
      {"-2*3^2", -18},
      {"1-2*-3^2", -17},
      {"-(-5)", 5},
      {"((7))", 7},
      {"1/4", 0.25},
      {"5.", 5},
      {".5", 0.5},
      {"007", 7},
      {"0^0", 1},
      {"1.5*2", 3},
      {" \t1 +\t2 ", 3},
      {"1\r\n+\x01 2", 3},  // every code up to 32 is a blank
      {"448 + 128 / 2 - 10", 502},
      {"", 0},
      {"   ", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    CEval eval;
    EXPECT_DOUBLE_EQ(eval.Evaluate(c.expression), c.value);
    EXPECT_EQ(eval.ErrorMessage(), "");
    EXPECT_FALSE(eval.LastFailure().has_value());
  }
}

TEST(CEvalEvaluate, SyntaxErrorsGiveZeroWithMessageAndColumn) {
  struct Case {
    const char* expression;
    const char* message;
    int column;
  };
  const Case cases[] = {
      {"1 2", "Operator expected", 3},  // a blank ends a number
      {"2(", "Operator expected", 2},
      {"(2)3", "Operator expected", 4},
      {"--5", "Operand expected", 2},
      {"-+5", "Operand expected", 2},
      {"*2", "Operand expected", 1},
      {"2 ^ ^ 3", "Operand expected", 5},
      {"2+", "Operand expected", 3},
      {"2+-", "Operand expected", 4},
      {"-", "Operand expected", 2},
      {"()", "Operand expected", 2},
      {"2*(3+)", "Operand expected", 6},
      {"2)", "Closing parenthesis without matching open parenthesis", 2},
      {"1+2)", "Closing parenthesis without matching open parenthesis", 4},
      {"(2", "Closing parenthesis expected", 3},
      {"((1)", "Closing parenthesis expected", 5},
      {"(", "Closing parenthesis expected", 2},
      {"1.2.3", "Operand contains multiple decimal points", 4},
      {"..", "Operand contains multiple decimal points", 2},
      {".", "Invalid operand", 1},
      {"2 + .", "Invalid operand", 5},
      {"a", "Unexpected character encountered", 1},
      {"1e5", "Unexpected character encountered", 2},
      {"Pip.Left", "Unexpected character encountered", 1},
      {"3 \x7f", "Unexpected character encountered", 3},
      {"3 \xc3\xa9", "Unexpected character encountered", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    CEval eval;
    EXPECT_EQ(eval.Evaluate(c.expression), 0.0);
    EXPECT_EQ(eval.ErrorMessage(), c.message);
    ASSERT_TRUE(eval.LastFailure().has_value());
    EXPECT_EQ(eval.LastFailure()->Number(), -2147220503);
    EXPECT_EQ(eval.LastFailure()->Description(),
              std::string(c.message) + " : Column " + std::to_string(c.column));
  }
}

TEST(CEvalEvaluate, ArithmeticFaultsGiveZero) {
  struct Case {
    std::string expression;
    int32_t number;
  };
  const Case cases[] = {
      {"1/0", 11},          {"1/(2-2)", 11},
      {"0/0", 6},           {"10^400", 6},
      {"2^1000*2^1000", 6}, {"1" + std::string(400, '0'), 6},  // the number itself overflows
      {"-8^(1/3)", 5},                                         // negative base, fractional power
      {"0^-1", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression.substr(0, 20));
    CEval eval;
    EXPECT_EQ(eval.Evaluate(c.expression), 0.0);
    EXPECT_EQ(eval.ErrorMessage(), "");  // not a syntax error
    ASSERT_TRUE(eval.LastFailure().has_value());
    EXPECT_EQ(eval.LastFailure()->Number(), c.number);
  }
}

TEST(CEvalEvaluate, TinyAndLongNumbersConvert) {
  CEval eval;
  EXPECT_EQ(eval.Evaluate("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_FALSE(eval.LastFailure().has_value());
  EXPECT_DOUBLE_EQ(eval.Evaluate(std::string(300, '0') + "12.50"), 12.5);
  EXPECT_DOUBLE_EQ(eval.Evaluate("1" + std::string(300, '0')), 1e300);
}

TEST(CEvalEvaluate, EachEvaluationStartsClean) {
  CEval eval;
  EXPECT_EQ(eval.Evaluate("2+"), 0.0);
  EXPECT_EQ(eval.ErrorMessage(), "Operand expected");
  EXPECT_DOUBLE_EQ(eval.Evaluate("2+1"), 3);
  EXPECT_EQ(eval.ErrorMessage(), "");
  EXPECT_FALSE(eval.LastFailure().has_value());
}

TEST(CEvalEvaluate, DeepNestingNeedsNoRecursion) {
  const int depth = 100000;
  CEval eval;
  EXPECT_DOUBLE_EQ(eval.Evaluate(std::string(depth, '(') + "-3" + std::string(depth, ')')), -3);
  EXPECT_EQ(eval.Evaluate(std::string(depth, '(') + "3"), 0.0);
  EXPECT_EQ(eval.ErrorMessage(), "Closing parenthesis expected");
}

TEST(CEvalToPostfix, WritesTokensEachFollowedByABlank) {
  struct Case {
    const char* expression;
    const char* postfix;
  };
  const Case cases[] = {
      {"2+3*4", "2 3 4 * + "},
      {"(2+3)*4", "2 3 + 4 * "},
      {"10-4-3", "10 4 - 3 - "},
      {"2^3^2", "2 3 ^ 2 ^ "},
      {"-2^2", "2 (-) 2 ^ "},
      {"2*-3", "2 3 (-) * "},
      {"-(2)", "2 (-) "},
      {"+5", "5 "},
      {"5. + .5", "5. .5 + "},
      {"2^-3^2", "2 3 (-) ^ 2 ^ "},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    CEval eval;
    std::string postfix = "stale";
    EXPECT_EQ(CEvalTestPeer::ToPostfix(eval, c.expression, postfix), 0);
    EXPECT_EQ(postfix, c.postfix);
  }
}

TEST(CEvalOperatorPrecedence, FollowsTheTable) {
  struct Case {
    const char* token;
    int precedence;
  };
  const Case cases[] = {{"+", 1},    {"-", 1}, {"*", 2}, {"/", 2}, {"^", 3},
                        {"(-)", 10}, {"(", 0}, {")", 0}, {"x", 0}, {"", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    EXPECT_EQ(CEvalTestPeer::OperatorPrecedence(c.token), c.precedence);
  }
}

TEST(CStack, GrowsByTenAndPopsInReverseOrder) {
  CStack stack;
  EXPECT_EQ(stack.StackSize(), 0);
  EXPECT_EQ(stack.Capacity(), 0);
  for (int i = 1; i <= 11; ++i) {
    stack.Push(static_cast<double>(i));
    EXPECT_EQ(stack.Capacity(), i <= 10 ? 10 : 20);
  }
  stack.Push(std::string("text"));
  EXPECT_EQ(stack.StackSize(), 12);
  EXPECT_EQ(std::get<std::string>(stack.GetPopValue()), "text");
  EXPECT_EQ(std::get<std::string>(stack.Pop()), "text");
  for (int i = 11; i >= 1; --i) EXPECT_EQ(std::get<double>(stack.Pop()), i);
  EXPECT_EQ(stack.Capacity(), 20);  // never shrinks
  EXPECT_FALSE(stack.LastError().has_value());
}

TEST(CStack, EmptyPopsYieldEmptyValueAndMarkTheFailure) {
  CStack stack;
  EXPECT_TRUE(std::holds_alternative<std::monostate>(stack.Pop()));
  ASSERT_TRUE(stack.LastError().has_value());
  EXPECT_EQ(stack.LastError()->Number(), -2147220493);
  EXPECT_EQ(stack.LastError()->Description(), "Pop method invoked on empty stack");

  EXPECT_TRUE(std::holds_alternative<std::monostate>(stack.GetPopValue()));
  EXPECT_EQ(stack.LastError()->Number(), -2147220492);
  EXPECT_EQ(stack.LastError()->Description(), "GetPopValue method invoked on empty stack");
  EXPECT_EQ(stack.StackSize(), 0);

  stack.Push(1.0);  // still usable afterwards
  EXPECT_EQ(std::get<double>(stack.Pop()), 1.0);
}

}  // namespace
}  // namespace zarn
