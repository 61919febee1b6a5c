#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/script/zbShellEx.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;

// Puts a folder first on PATH for the life of the object.
class PathFirst {
 public:
  explicit PathFirst(const std::string& folder) {
    const char* old = std::getenv("PATH");
    if (old != nullptr) old_ = old;
    setenv("PATH", (folder + ":" + old_).c_str(), 1);
  }
  ~PathFirst() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

// A shell script that writes its arguments, one a line, to `out` (renamed
// into place so that the test never reads half a file).
void WriteRecorder(const TempFolder& dir, const std::string& name, const std::string& out) {
  const std::string path = dir.Write("bin/" + name,
                                     "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out +
                                         ".part' && mv '" + out + ".part' '" + out + "'\n",
                                     false);
  ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

// The file's text once it appears; empty after the time runs out.
std::string WaitForFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(path)) {
      std::ifstream in(path);
      std::stringstream text;
      text << in.rdbuf();
      return text.str();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

HarnessOptions RealShell() {
  HarnessOptions options;
  options.dry_run = false;
  return options;
}

TEST(RealShell, AProgramOnPathStartsWithTheWholeCommandLine) {
  TempFolder dir;
  const std::string out = dir / "notepad-ran.txt";
  WriteRecorder(dir, "notepad", out);
  PathFirst path(dir / "bin");
  Harness h(RealShell());
  EXPECT_EQ(zbShellEx::RunShellCommand(h.program(), "notepad.exe readme.txt \"two words\""), 0);
  EXPECT_EQ(WaitForFile(out), "readme.txt\ntwo words\n");
  const auto starts = Select(h.Records(), "shell", "Start");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Arg(0), "notepad.exe readme.txt \"two words\"");
  EXPECT_TRUE(starts[0].error.empty());
  EXPECT_TRUE(Select(h.Records(), "shell", "Open").empty());
}

TEST(RealShell, ADocumentOpensThroughTheAssociatedOpener) {
  TempFolder dir;
  const std::string out = dir / "opened.txt";
  WriteRecorder(dir, "xdg-open", out);
  const std::string document = dir.Write("My Files/report.doc", "report");
  PathFirst path(dir / "bin");
  Harness h(RealShell());
  const int32_t result = zbShellEx::RunShellCommand(h.program(), "\"" + document + "\" /p");
  EXPECT_GT(result, 32);
  EXPECT_EQ(WaitForFile(out), document + "\n");
  const auto opens = Select(h.Records(), "shell", "Open");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].args, (std::vector<std::string>{document, "/p"}));
}

TEST(RealShell, DryRunRecordsTheStartButRunsNothing) {
  TempFolder dir;
  const std::string out = dir / "notepad-ran.txt";
  WriteRecorder(dir, "notepad", out);
  PathFirst path(dir / "bin");
  Harness h;  // dry run
  EXPECT_EQ(zbShellEx::RunShellCommand(h.program(), "notepad.exe readme.txt"), 0);
  const auto starts = Select(h.Records(), "shell", "Start");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_TRUE(starts[0].error.empty());
  EXPECT_TRUE(Select(h.Records(), "shell", "Open").empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace zarn
