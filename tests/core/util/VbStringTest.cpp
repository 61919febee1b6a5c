#include <gtest/gtest.h>

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/util/StripEnclosing.h"

namespace zarn {
namespace {

TEST(CaseMapping, FollowsTheWindows1252Letters) {
  struct Case {
    const char* lower;
    const char* upper;
  };
  const Case pairs[] = {
      {"abc xyz", "ABC XYZ"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"},                // été
      {"\xC5\xA1\xC5\x93\xC5\xBE", "\xC5\xA0\xC5\x92\xC5\xBD"},  // šœž
      {"\xC3\xBF", "\xC5\xB8"},                                  // ÿ Ÿ
      {"\xC3\xB7\xC3\x97", "\xC3\xB7\xC3\x97"},                  // ÷ × are not letters
  };
  for (const auto& c : pairs) {
    SCOPED_TRACE(c.lower);
    EXPECT_EQ(UCase(c.lower), c.upper);
    EXPECT_EQ(LCase(c.upper), c.lower);
  }
  EXPECT_EQ(UCase("\xC3\x9F\xC2\xB5"), "\xC3\x9F\xC2\xB5");  // ß µ unchanged
  EXPECT_EQ(UCase("1,2;%"), "1,2;%");
}

TEST(Trim, OnlySpaces) {
  EXPECT_EQ(Trim("\t a "), "\t a");
  EXPECT_EQ(LTrim("  a  "), "a  ");
  EXPECT_EQ(RTrim("  a  "), "  a");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(RemoveBlanks(" a b\tc "), "ab\tc");
}

TEST(NoCaseCompare, MatchesLettersIgnoringCase) {
  EXPECT_TRUE(EqualsNoCase("ZarnPlay", "zARNpLAY"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  EXPECT_TRUE(EqualsNoCase("\xC3\xA9", "\xC3\x89"));
  EXPECT_TRUE(StartsWithNoCase("PLAYSCRIPT=x", "playscript="));
  EXPECT_FALSE(StartsWithNoCase("PL", "play"));
  EXPECT_TRUE(EndsWithNoCase("demo.ZRN", ".zrn"));
  EXPECT_EQ(FindNoCase("XXpXXpXXPXXP", "P", 3), 5u);
  EXPECT_EQ(FindNoCase("abc", "B"), 1u);
  EXPECT_EQ(FindNoCase("abc", "x"), std::string::npos);
  EXPECT_EQ(FindNoCase("abc", "a", 9), std::string::npos);
  // A lead byte folds with whatever follows it, so the "a" after it stays
  // small; a search may start on the second byte of a pair.
  EXPECT_EQ(FindNoCase("\xC3\x61\x41", "A"), 2u);
  EXPECT_EQ(FindNoCase("\xC3\xA9", "\x89", 1), 1u);
  EXPECT_EQ(FindNoCase("\xC3\xC3\x61", "A"), 2u);
}

TEST(Replace, OnePassWithoutOverlap) {
  struct Case {
    const char* name;
    const char* text;
    const char* find;
    const char* repl;
    const char* no_case;
    const char* exact;
  };
  const Case cases[] = {
      {"no overlap", "aaa", "aa", "b", "ba", "ba"},
      {"case", "Hello %WHO% and %who%", "%who%", "World", "Hello World and World",
       "Hello %WHO% and World"},
      {"replacement not rescanned", "ab", "a", "aa", "aab", "aab"},
      {"delete", "a-b-c", "-", "", "abc", "abc"},
      {"empty find", "abc", "", "x", "abc", "abc"},
      {"non-ascii", "\xC3\xA9t\xC3\xA9", "\xC3\x89", "e", "ete", "\xC3\xA9t\xC3\xA9"},
      {"lead byte pairs", "\xC3\x61\x61", "A", "b", "\xC3\x61\x62", "\xC3\x61\x61"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplaceNoCase(c.text, c.find, c.repl), c.no_case);
    EXPECT_EQ(ReplaceAll(c.text, c.find, c.repl), c.exact);
  }
}

TEST(StripEnclosing, TrimsThenStripsFrontThenEnd) {
  struct Case {
    const char* text;
    const char* strip;
    const char* result;
  };
  const Case cases[] = {
      {"\"C:\\Scripts\\demo.zrn\"", "\"", "C:\\Scripts\\demo.zrn"},
      {"  \"\"demo.zrn\"\"  ", "\"", "demo.zrn"},
      {"\" demo.zrn \"", "\"", " demo.zrn "},  // only the first step trims
      {"xXdemoXx", "x", "demo"},
      {"abab", "ab", ""},
      {"", "\"", ""},
      {"  plain  ", "\"", "plain"},
      {"\"\"\"", "\"", ""},
      {"a", "", "a"},
  };
  bErrorTrap::Trap errors;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StripEnclosing(errors, c.text, c.strip), c.result);
  }
}

}  // namespace
}  // namespace zarn
