#include <gtest/gtest.h>

#include "base/Keystrokes.h"
#include "base/VbError.h"

namespace zarn {
namespace {

TEST(ParseKeystrokes, BuildsThePlanOfEachString) {
  struct Case {
    const char* text;
    const char* plan;
  };
  const Case cases[] = {
      {"ab", "'a' 'b'"},
      {"+ab", "Shift:down 'a' Shift:up 'b'"},
      {"+(ab)c", "Shift:down 'a' 'b' Shift:up 'c'"},
      {"{LEFT 3}", "{LEFT}x3"},
      {"{{}{}}", "'{' '}'"},
      {"{+}", "'+'"},
      {"~", "{ENTER}"},
      {"{ENTER 0}", ""},
      {"{enter}", "{ENTER}"},
      {"+{TAB 3}x", "Shift:down {TAB}x3 Shift:up 'x'"},
      {"^%{DEL}", "Ctrl:down Alt:down {DELETE} Alt:up Ctrl:up"},
      {"%(fx)", "Alt:down 'f' 'x' Alt:up"},
      {"{h 10}", "'h'x10"},
      {"{} 5}", "'}'x5"},
      {"{(}{)}{[}{]}{^}{%}{~}", "'(' ')' '[' ']' '^' '%' '~'"},
      {"[a]", "'[' 'a' ']'"},
      {"{BS}{bksp}{Esc}{escape}{INS}{pgdn}", "{BACKSPACE} {BACKSPACE} {ESC} {ESC} {INSERT} {PGDN}"},
      {"{F1}{f16}", "{F1} {F16}"},
      {"{LEFT\t2}", "{LEFT}x2"},
      {"+a+b", "Shift:down 'a' Shift:up Shift:down 'b' Shift:up"},
      {"+(a^b)", "Shift:down 'a' Ctrl:down 'b' Ctrl:up Shift:up"},
      {"(((a)))", "'a'"},
      {"a+", "'a' Shift:down Shift:up"},
      {"", ""},
      {"\xC3\xA9{\xC3\xA9 2}", "'\xC3\xA9' '\xC3\xA9'x2"},  // UTF-8 e acute
      {"\xC3", "'\xC3'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const KeystrokePlan plan = ParseKeystrokes(c.text);
    EXPECT_EQ(plan.ToText(), c.plan);
    EXPECT_EQ(plan.text, c.text);
  }
}

TEST(ParseKeystrokes, RefusesMalformedStringsWithError5) {
  const char* cases[] = {
      "{FOO}",   "a}",     "(a",
      "++a",     "a)",     "{LEFT",
      "{",       "{}",     "{ 3}",
      "{a x}",   "{a 3x}", "{a }",
      "{F17}",   "{F0}",   "((((a))))",
      "+(+a)",   "^^",     "{LEFT 99999999999}",
      "{LEFT 3", "abc{",   "{\xC3\xA9\xC3\xA9}",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    try {
      ParseKeystrokes(text);
      ADD_FAILURE() << "accepted";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), 5);
      EXPECT_EQ(e.Description(), "Invalid procedure call or argument");
    }
  }
}

TEST(ParseKeystrokes, RecordsTheModifiersHeldForEachKey) {
  const KeystrokePlan plan = ParseKeystrokes("^(a+b)c");
  std::vector<std::pair<std::string, uint8_t>> typed;
  for (const auto& step : plan.steps) {
    if (step.kind == KeyStepKind::kChar) typed.emplace_back(step.key, step.modifiers);
  }
  const std::vector<std::pair<std::string, uint8_t>> expected = {
      {"a", kCtrlModifier}, {"b", kCtrlModifier | kShiftModifier}, {"c", 0}};
  EXPECT_EQ(typed, expected);
}

TEST(ParseKeystrokes, CountsRepeatsWithoutExpandingThem) {
  const KeystrokePlan plan = ParseKeystrokes("{a 2000000000}b");
  EXPECT_EQ(plan.steps.size(), 2u);
  EXPECT_EQ(plan.KeyCount(), 2000000001);
}

}  // namespace
}  // namespace zarn
