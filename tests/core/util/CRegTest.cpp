#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "UtilTestSupport.h"
#include "base/TextCodec.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/util/CReg.h"

namespace zarn {
namespace {

using testing_util::TempDir;
using Key = std::optional<std::string>;

const char* const kVectorLines[] = {"[s]",       "name1=val1",   "name2=\"val2\"", "name3",
                                    "name4=",    " ; comment=x", "#hash=y",        "[ t ]",
                                    "k = a = b", "[s]",          "late=1"};

std::string JoinLines(const std::string& line_end) {
  std::string text;
  for (const char* line : kVectorLines) text += std::string(line) + line_end;
  return text;
}

TEST(CRegGetProfile, TestVectorsWithEveryLineEnd) {
  const std::string mixed =
      "[s]\r\nname1=val1\nname2=\"val2\"\rname3\r\nname4=\n ; comment=x\r"
      "#hash=y\r\n[ t ]\nk = a = b\r[s]\r\nlate=1";
  const std::pair<const char*, std::string> files[] = {
      {"crlf", JoinLines("\r\n")},
      {"lf", JoinLines("\n")},
      {"cr", JoinLines("\r")},
      {"mixed", mixed},
  };
  struct Case {
    const char* section;
    Key key;
    std::string expected;
  };
  const Case cases[] = {
      {"s", "NAME1", "val1"},
      {"s", "name2", "val2"},
      {"s", "name3", "def"},
      {"s", "name4", ""},
      {"s", "late", "def"},
      {"s", "#hash", "y"},
      {"s", "; comment", "def"},
      {"t", "k", "a = b"},
      {" T ", " K ", "a = b"},
      {"s", std::nullopt, std::string("name1\0name2\0name4\0#hash\0", 24)},
      {"nosuch", std::nullopt, "def"},
      {"nosuch", "name1", "def"},
      {"", "name1", "def"},
  };
  TempDir dir;
  bErrorTrap::Trap errors;
  CReg reg(errors);
  for (const auto& [name, text] : files) {
    const std::string path = dir.Write(std::string(name) + ".ini", text);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(name) + " [" + c.section + "] " + c.key.value_or("<null>"));
      EXPECT_EQ(reg.GetProfile(path, c.section, c.key, std::string("def")), c.expected);
    }
  }
}

TEST(CRegGetProfile, QuotesAroundValues) {
  struct Case {
    const char* raw;
    const char* value;
  };
  const Case cases[] = {
      {"\"val2\"", "val2"}, {"'abc'", "abc"},
      {"\" x \"", " x "},   {"\"\"abc\"\"", "\"abc\""},
      {"\"abc'", "\"abc'"}, {"\"abc", "\"abc"},
      {"\"", "\""},         {"\"\"", ""},
      {"a\"b\"", "a\"b\""}, {"diet ;gag", "diet ;gag"},
  };
  TempDir dir;
  std::string text = "[Q]\r\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    text += "k" + std::to_string(i) + "=" + cases[i].raw + "\r\n";
  }
  const std::string path = dir.Write("q.ini", text);
  bErrorTrap::Trap errors;
  CReg reg(errors);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].raw);
    EXPECT_EQ(reg.GetProfile(path, "Q", "k" + std::to_string(i), std::nullopt), cases[i].value);
  }
}

TEST(CRegGetProfile, CutsAt4095Characters) {
  const std::string e_acute = "\xC3\xA9";
  std::string long_value;
  for (int i = 0; i < 5000; ++i) long_value += e_acute;
  std::string keys;
  for (int i = 0; i < 1000; ++i)
    keys += "key" + std::to_string(1000 + i) + "=x\r\n";  // 7 chars each
  TempDir dir;
  const std::string path =
      dir.Write("long.ini", "[L]\r\nplain=" + long_value + "\r\nquoted=\"" + long_value +
                                "\"\r\nopen=\"" + long_value + "\r\n[K]\r\n" + keys);
  bErrorTrap::Trap errors;
  CReg reg(errors);
  const std::string plain = reg.GetProfile(path, "L", "plain", std::nullopt);
  EXPECT_EQ(CharCount(plain), 4095u);
  EXPECT_EQ(plain.substr(0, 4), e_acute + e_acute);
  EXPECT_EQ(reg.GetProfile(path, "L", "quoted", std::nullopt), plain);
  const std::string open = reg.GetProfile(path, "L", "open", std::nullopt);
  EXPECT_EQ(CharCount(open), 4095u);
  EXPECT_EQ(open.substr(0, 1), "\"");

  const std::string list = reg.GetProfile(path, "K", std::nullopt, std::nullopt);
  EXPECT_EQ(list.size(), 4094u);  // the list is cut two short of the buffer
  EXPECT_EQ(list.substr(0, 16), std::string("key1000\0key1001\0", 16));

  EXPECT_EQ(CharCount(reg.GetProfile(path, "L", "missing", long_value)), 4095u);
}

TEST(CRegGetProfile, DefaultsForMissingFileFolderAndEmptyValue) {
  TempDir dir;
  const std::string path = dir.Write("d.ini", "[A]\r\nempty=\r\n[Empty]\r\n");
  bErrorTrap::Trap errors;
  CReg reg(errors);
  EXPECT_EQ(reg.GetProfile(dir / "missing.ini", "A", "x", std::string("dflt")), "dflt");
  EXPECT_EQ(reg.GetProfile(dir.Path(), "A", "x", std::string("dflt")), "dflt");
  EXPECT_EQ(reg.GetProfile(path, "A", "empty", std::string("dflt")), "");
  EXPECT_EQ(reg.GetProfile(path, "A", "x", std::string("dflt  ")), "dflt");
  EXPECT_EQ(reg.GetProfile(path, "A", "x", std::nullopt), "");
  EXPECT_EQ(reg.GetProfile(path, "Empty", std::nullopt, std::string("dflt")), "");
  EXPECT_EQ(reg.GetProfile(dir.Path() + "\\D.INI", "a", "EMPTY", std::string("dflt")), "");
}

TEST(CRegGetProfile, DecodesTextAndSkipsTheByteOrderMark) {
  TempDir dir;
  const std::string bom = dir.Write("bom.zrn", "\xEF\xBB\xBF[Script]\r\nVersion=1\r\n");
  const std::string latin = dir.Write("latin.zrn", "[Variables]\r\nCaf\xE9=cr\xE8me\r\n");
  bErrorTrap::Trap errors;
  CReg reg(errors);
  EXPECT_EQ(reg.GetProfile(bom, "Script", "Version", std::nullopt), "1");
  EXPECT_EQ(reg.GetProfile(latin, "Variables", "CAF\xC3\x89", std::nullopt), "cr\xC3\xA8me");
}

TEST(CRegGetProfile, ReadsAChangedFileAgain) {
  TempDir dir;
  const std::string path = dir.Write("c.ini", "[A]\r\nk=1\r\n");
  bErrorTrap::Trap errors;
  CReg reg(errors);
  EXPECT_EQ(reg.GetProfile(path, "A", "k", std::nullopt), "1");
  dir.Write("c.ini", "[A]\r\nk=2\r\n");  // same size
  const struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
  EXPECT_EQ(reg.GetProfile(path, "A", "k", std::nullopt), "2");
  dir.Write("c.ini", "[A]\r\nk=three\r\n");
  EXPECT_EQ(reg.GetProfile(path, "A", "k", std::nullopt), "three");
}

TEST(CRegGetProfile, ManyKeysAllFound) {
  std::string text = "[Script]\r\nVersion=1\r\n[Variables]\r\n";
  for (int i = 0; i < 40000; ++i) {
    text += "var" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
  }
  TempDir dir;
  const std::string path = dir.Write("many.zrn", text);
  bErrorTrap::Trap errors;
  CReg reg(errors);
  for (int i = 0; i < 40000; ++i) {
    const std::string got =
        reg.GetProfile(path, "Variables", "VAR" + std::to_string(i), std::nullopt);
    if (got != "value " + std::to_string(i)) {
      ADD_FAILURE() << "key " << i << " gave " << got;
      break;
    }
  }
}

TEST(CRegGetProfile, BinaryAndHugeFilesDoNotBreakIt) {
  TempDir dir;
  std::mt19937 random(42);
  std::string noise(1 << 20, '\0');
  for (char& ch : noise) ch = static_cast<char>(random());
  const std::string binary = dir.Write("binary.zrn", noise);
  bErrorTrap::Trap errors;
  CReg reg(errors);
  EXPECT_EQ(reg.GetProfile(binary, "Script", "Version", std::string("none")), "none");
  reg.GetProfile(binary, "Script", std::nullopt, std::nullopt);
  reg.GetProfileSection(binary, "Script");

  // About 50 MB: a long [Script] and a few settings after it.
  std::string line = "Pip.Speak \"" + std::string(60, 'x') + "\"\r\n";
  std::string big = "[Script]\r\n";
  big.reserve(52u << 20);
  while (big.size() < (50u << 20)) big += line;
  big += "[Variables]\r\nwho=World\r\n";
  const std::string huge = dir.Write("huge.zrn", big);
  big.clear();
  EXPECT_EQ(reg.GetProfile(huge, "Variables", "who", std::nullopt), "World");
  const std::string script = reg.GetProfileSection(huge, "Script");
  EXPECT_GT(script.size(), (50u << 20) - 100);
  EXPECT_EQ(script.substr(0, line.size()), line);
}

TEST(CRegGetProfileSection, ReadsLinesOfEverySectionOfThatName) {
  struct Case {
    const char* name;
    std::string text;
    std::string section;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "[Script]\r\na\r\nb\r\n", "script", "a\r\nb\r\n"},
      {"indented header", " [Script]\r\na\r\n", "Script", ""},
      {"stops at notes", "[Script]\r\na\r\n[Notes]\r\nn\r\n", "Script", "a\r\n"},
      {"bracket line with trailing blank", "[Script]\r\na\r\n[x] \r\nb\r\n", "Script",
       "a\r\n[x] \r\nb\r\n"},
      {"joined", "[S]\r\na\r\n[T]\r\nt\r\n[s]\r\nb\r\n", "S", "a\r\nb\r\n"},
      {"blank and comment lines stay", "[S]\r\n\r\n; note\r\na\r\n\r\n\r\n", "S",
       "\r\n; note\r\na\r\n"},
      {"lf only", "[S]\na\nb\n", "S", "a\r\nb\r\n"},
      {"cr only", "[S]\ra\rb", "S", "a\r\nb\r\n"},
      {"empty", "[S]\r\n\r\n", "S", ""},
      {"absent", "[T]\r\nx\r\n", "S", ""},
      {"latin-1", "[S]\r\ncaf\xE9\r\n", "S", "caf\xC3\xA9\r\n"},
      {"bom", "\xEF\xBB\xBF[S]\r\na\r\n", "S", "a\r\n"},
  };
  TempDir dir;
  bErrorTrap::Trap errors;
  CReg reg(errors);
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write("s" + std::to_string(n++) + ".zrn", c.text);
    EXPECT_EQ(reg.GetProfileSection(path, c.section), c.expected);
  }
}

TEST(CRegGetProfileSection, MissingFileIsReported) {
  TempDir dir;
  bErrorTrap::Trap errors;
  CReg reg(errors);
  EXPECT_EQ(reg.GetProfileSection(dir / "missing.zrn", "Script"), "");
  EXPECT_EQ(errors.ReportText(),
            bErrorTrap::ComposeReport(Crc32("CReg.GetProfileSection"), 53, "File not found", 10));
}

TEST(CRegConversions, ZeroOneRangeTrueFalse) {
  struct RangeCase {
    const char* text;
    const char* result;
  };
  const RangeCase ranges[] = {
      {"-5", "0"},    {"75", "60"}, {"30", "30"},  {"7 seconds", "7 seconds"},
      {"abc", "abc"}, {"", ""},     {" 61", "60"}, {"&H10", "&H10"},
      {"&HFF", "60"}};
  for (const auto& c : ranges) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CReg::Range(c.text, 0, 60), c.result);
  }
  struct ZeroOneCase {
    const char* text;
    const char* result;
  };
  const ZeroOneCase zero_ones[] = {{"1", "1"},   {"0", "0"}, {"-1", "0"},  {"0.5", "1"},
                                   {"yes", "0"}, {"", "0"},  {" 2x", "1"}, {"&H1", "1"}};
  for (const auto& c : zero_ones) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CReg::ZeroOne(c.text), c.result);
  }
  const char* truthy[] = {"1", "TRUE", "true", "yes", "On", "-1"};
  for (const char* text : truthy) EXPECT_TRUE(CReg::TrueFalse(text)) << text;
  const char* falsy[] = {"Y", "", "0", "no", " yes", "2"};
  for (const char* text : falsy) EXPECT_FALSE(CReg::TrueFalse(text)) << text;
}

}  // namespace
}  // namespace zarn
