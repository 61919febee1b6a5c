#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "base/FileMatch.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(MatchesWildcard, IgnoresCaseAndHandlesStarAndQuestionMark) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"readme.txt", "*.txt", true},
      {"README.TXT", "*.txt", true},
      {"readme.txt", "READ*", true},
      {"a.txt", "?.txt", true},
      {"ab.txt", "?.txt", false},
      {".txt", "?.txt", false},
      {"notes", "*.*", true},
      {"x.txt.bak", "*.txt", false},
      {"abcabd", "*abd", true},
      {"abcab", "a*b*c", false},
      {"a", "", false},
      {"", "*", true},
      {"anything", "*", true},
      {"\xC3\xA9.txt", "?.txt", true},                // one UTF-8 character
      {"\xC3\x89T\xC3\x89.TXT", "\xC3\xA9t*", true},  // accented capitals fold too
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*c", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " ~ " + c.pattern);
    EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches);
  }
}

TEST(SplitWildcardPattern, KeepsTheFolderWithItsLastSeparator) {
  struct Case {
    const char* pattern;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {R"(C:\Texts\*.txt)", R"(C:\Texts\)", "*.txt"},
      {"*.txt", "", "*.txt"},
      {"dir/sub\\x?", "dir/sub\\", "x?"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    const WildcardPattern parts = SplitWildcardPattern(c.pattern);
    EXPECT_EQ(parts.folder, c.folder);
    EXPECT_EQ(parts.name, c.name);
  }
}

class ListMatchingFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zarn-filematch-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "Texts" / "sub.txt");
    for (const char* name : {"b.txt", "A.TXT", "a.txt", ".hidden.txt", "c.doc"}) {
      std::ofstream(root_ / "Texts" / name) << "x";
    }
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
};

TEST_F(ListMatchingFilesTest, ListsMatchingFilesInCaseInsensitiveOrder) {
  std::string windows_folder = (root_ / "TEXTS").string() + "/";
  for (char& c : windows_folder) {
    if (c == '/') c = '\\';
  }
  const std::string folder = (root_ / "Texts").string();
  struct Case {
    std::string folder;
    const char* pattern;
    Names names;
  };
  const Case cases[] = {
      {folder, "*.txt", {".hidden.txt", "A.TXT", "a.txt", "b.txt"}},
      {windows_folder, "*.TXT", {".hidden.txt", "A.TXT", "a.txt", "b.txt"}},
      {folder, "?.txt", {"A.TXT", "a.txt", "b.txt"}},
      {folder, "*", {".hidden.txt", "A.TXT", "a.txt", "b.txt", "c.doc"}},
      {folder, "*.pdf", {}},
      {folder, "", {}},
      {(root_ / "missing").string(), "*", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder + " " + c.pattern);
    EXPECT_EQ(ListMatchingFiles(c.folder, c.pattern), c.names);
  }
}

}  // namespace
}  // namespace zarn
