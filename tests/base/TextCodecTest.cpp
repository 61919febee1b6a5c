#include <gtest/gtest.h>

#include "core/util/UtilTestSupport.h"
#include "base/TextCodec.h"
#include "base/VbError.h"

namespace zarn {
namespace {

TEST(DecodeText, KeepsUtf8AndConvertsWindows1252) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"ascii", "Pip.Speak \"Hi\"", "Pip.Speak \"Hi\""},
      {"valid utf-8 kept", "caf\xC3\xA9", "caf\xC3\xA9"},
      {"latin-1 byte", "caf\xE9", "caf\xC3\xA9"},
      {"euro and quotes", "\x80 \x93x\x94", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D"},
      {"undefined bytes stay C1", std::string("\x81\x8D\x8F\x90\x9D"),
       "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"bom dropped", "\xEF\xBB\xBF[Script]", "[Script]"},
      {"bom dropped before cp1252", "\xEF\xBB\xBF\xE9", "\xC3\xA9"},
      {"bom only at start", "a\xEF\xBB\xBF", "a\xEF\xBB\xBF"},
      {"overlong is not utf-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
      {"surrogate is not utf-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {"truncated sequence", "ab\xE2\x82", "ab\xC3\xA2\xE2\x80\x9A"},
      {"nul kept", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"utf-8 with one stray cp1252 byte", "\xC3\xA9t\xE9 \xC3\xBC", "\xC3\xA9t\xC3\xA9 \xC3\xBC"},
      {"more stray bytes than utf-8: cp1252", "\xC3\xA9\xE9\xE8",
       "\xC3\x83\xC2\xA9\xC3\xA9\xC3\xA8"},
      {"utf-16 le", std::string("\xFF\xFEP\0\xE9\0\xAC\x20", 8), "P\xC3\xA9\xE2\x82\xAC"},
      {"utf-16 be", std::string("\xFE\xFF\0P\0\xE9", 6), "P\xC3\xA9"},
      {"utf-16 surrogate pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80"},
      {"utf-16 lone surrogate, odd byte", std::string("\xFF\xFE\x3D\xD8x", 5), "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeText(c.bytes), c.text);
  }
}

TEST(DecodeText, EveryByteDecodesToValidUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string text = DecodeText(all);
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_EQ(CharCount(text), 256u);
  EXPECT_EQ(ToWindows1252(text), all);  // the round trip is exact
}

TEST(Utf8Helpers, CountAndCutOnCharacterBoundaries) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  EXPECT_EQ(CharCount(text), 5u);
  EXPECT_EQ(Utf8Left(text, 0), "");
  EXPECT_EQ(Utf8Left(text, 2), "a\xC3\xA9");
  EXPECT_EQ(Utf8Left(text, 4), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8Left(text, 99), text);
}

TEST(ToWindows1252, UnmappableBecomesQuestionMark) {
  EXPECT_EQ(ToWindows1252("\xC3\xA9\xE2\x82\xAC"), "\xE9\x80");
  EXPECT_EQ(ToWindows1252("\xE4\xB8\xAD"), "?");  // a CJK character
  EXPECT_EQ(ToWindows1252("\xC2\x85"), "?");      // C1 control without a byte of its own
  EXPECT_EQ(ToWindows1252("a\xFF"
                          "b"),
            "a?b");  // invalid input
}

TEST(ReadTextFile, DecodesAndReportsMissingOrFolder) {
  testing_util::TempDir dir;
  dir.Write("latin.zrn", "[Script]\r\nPip.Speak \"caf\xE9\"\r\n");
  EXPECT_EQ(ReadTextFile(dir / "latin.zrn"), "[Script]\r\nPip.Speak \"caf\xC3\xA9\"\r\n");
  // Windows paths find the file without regard to case.
  EXPECT_EQ(ReadTextFile(dir.Path() + "\\LATIN.ZRN").substr(0, 8), "[Script]");
  try {
    ReadTextFile(dir / "missing.zrn");
    ADD_FAILURE() << "no error for a missing file";
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 53);
  }
  try {
    ReadTextFile(dir.Path());
    ADD_FAILURE() << "no error for a folder";
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 75);
  }
}

}  // namespace
}  // namespace zarn
