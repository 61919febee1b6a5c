#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/CommandLineSplit.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;

TEST(SplitArguments, FollowsTheWindowsQuotingRules) {
  struct Case {
    const char* text;
    Args args;
  };
  const Case cases[] = {
      {"", {}},
      {"  \t ", {}},
      {"a b\t c", {"a", "b", "c"}},
      {"\"a b\" c", {"a b", "c"}},
      {"x\"a b\"y", {"xa by"}},
      {R"(C:\dir\file.txt)", {R"(C:\dir\file.txt)"}},
      {R"(a\"b)", {"a\"b"}},
      {R"(a\\"b c")", {R"(a\b c)"}},
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"("a""b")", {"a\"b"}},
      {R"("")", {""}},
      {R"("unclosed arg)", {"unclosed arg"}},
      {"/p", {"/p"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitArguments(c.text), c.args);
  }
}

TEST(SplitFileAndParameters, CutsAsTheShellOpenFallbackNeeds) {
  struct Case {
    const char* command;
    const char* file;
    const char* parameters;
  };
  const Case cases[] = {
      {"readme.txt", "readme.txt", ""},
      {R"("C:\My Files\report.doc" /p)", R"(C:\My Files\report.doc)", "/p"},
      {R"("C:\My Files\report.doc)", R"("C:\My Files\report.doc)", ""},
      {R"("" x)", R"("" x)", ""},
      {R"("  a b  "   c d  )", "a b", "c d"},
      {"http://example.com/a b", "http://example.com/a", "b"},
      {"a   b c", "a", "b c"},
      {"\"x\"", "x", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const ShellOpenRequest request = SplitFileAndParameters(c.command);
    EXPECT_EQ(request.file, c.file);
    EXPECT_EQ(request.parameters, c.parameters);
  }
}

class ProgramLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zarn-cmdline-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "bin1");
    fs::create_directories(root_ / "bin2");
    fs::create_directories(root_ / "my app");
    MakeFile("bin1/notepad", true);
    MakeFile("bin1/TOOL", true);
    MakeFile("bin2/tool", true);
    MakeFile("bin1/plain.txt", false);
    MakeFile("bin2/both", true);
    MakeFile("bin2/both.exe", true);
    MakeFile("my app/Run", true);
    path_ = (root_ / "bin1").string() + "::" + (root_ / "bin2").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  void MakeFile(const std::string& name, bool executable) {
    std::ofstream(root_ / name) << "#!/bin/sh\n";
    ::chmod((root_ / name).c_str(), executable ? 0755 : 0644);
  }
  std::string At(const std::string& name) const { return (root_ / name).string(); }

  fs::path root_;
  std::string path_;
};

TEST_F(ProgramLookupTest, FindsTheProgramAndItsArguments) {
  std::string backslashed = At("my app/RUN.EXE");
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  struct Case {
    std::string command;
    std::optional<std::string> program;
    Args args;
  };
  const Case cases[] = {
      {"notepad.exe readme.txt", At("bin1/notepad"), {"readme.txt"}},
      {"NotePad.EXE", At("bin1/notepad"), {}},
      {"  notepad  a \"b c\"", At("bin1/notepad"), {"a", "b c"}},
      {"tool", At("bin2/tool"), {}},  // an exact name anywhere beats another letter case
      {"Tool", At("bin1/TOOL"), {}},
      {"both.exe", At("bin2/both"), {}},
      {"readme.txt", std::nullopt, {}},
      {"plain.txt", std::nullopt, {}},
      {"", std::nullopt, {}},
      {"\"" + At("my app/Run") + "\" /p \"x y\"", At("my app/Run"), {"/p", "x y"}},
      {At("my app/Run") + " -x", At("my app/Run"), {"-x"}},
      {"\"" + backslashed + "\" /p", At("my app/Run"), {"/p"}},
      {"\"notepad", At("bin1/notepad"), {}},
      {"\"notepad a\"", std::nullopt, {}},
      {R"(C:\Windows\notepad.exe)", std::nullopt, {}},
      {"bin1/notepad", std::nullopt, {}},  // relative to the current folder, not PATH
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const auto found = ResolveCommandLine(c.command, path_);
    ASSERT_EQ(found.has_value(), c.program.has_value());
    if (!found) continue;
    EXPECT_EQ(found->program, *c.program);
    EXPECT_EQ(found->arguments, c.args);
  }
}

TEST_F(ProgramLookupTest, IgnoresEmptySearchPathEntries) {
  const fs::path previous = fs::current_path();
  fs::current_path(root_ / "bin1");
  EXPECT_FALSE(FindProgram("notepad", ":" + At("bin2")).has_value());
  EXPECT_EQ(FindProgram("./notepad", ""), "./notepad");
  fs::current_path(previous);
}

}  // namespace
}  // namespace zarn
