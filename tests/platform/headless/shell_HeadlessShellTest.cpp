#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "base/VbError.h"
#include "platform/common/ProgramStarter.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

// A stub program writes its arguments, "|"-terminated, to the file named
// by its first argument (or to a fixed file), through a rename so that a
// reader never sees half of it.
constexpr char kProbeScript[] =
    "#!/bin/sh\n"
    "out=\"$1\"\n"
    "printf '%s|' \"$@\" > \"$out.tmp\" && /bin/mv \"$out.tmp\" \"$out\"\n";

class ProgramStarterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zarn-shell-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "bin");
    fs::create_directories(root_ / "docs");
    std::ofstream(root_ / "docs" / "readme.txt") << "hello";
    if (const char* path = std::getenv("PATH")) saved_path_ = path;
    // Only our stubs can be found, not an opener the machine has.
    ::setenv("PATH", (root_ / "bin").string().c_str(), 1);
    trace_.SetJsonStream(&json_);
  }
  void TearDown() override {
    if (saved_path_) {
      ::setenv("PATH", saved_path_->c_str(), 1);
    } else {
      ::unsetenv("PATH");
    }
    fs::remove_all(root_);
  }

  void WriteProgram(const std::string& name, const std::string& body) {
    const fs::path file = root_ / "bin" / name;
    std::ofstream(file) << body;
    ::chmod(file.c_str(), 0755);
  }

  // An opener stub that records its arguments in bin/<name>.args.
  void WriteOpener(const std::string& name) {
    WriteProgram(name, "#!/bin/sh\nout=\"" + (root_ / "bin" / name).string() +
                           ".args\"\nprintf '%s|' \"$@\" > \"$out.tmp\" && /bin/mv \"$out.tmp\" "
                           "\"$out\"\n");
  }

  // The file's text once it appears, waiting at most ten seconds.
  static std::optional<std::string> WaitForFile(const fs::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (fs::exists(file)) {
        std::stringstream text;
        text << std::ifstream(file).rdbuf();
        return text.str();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
  }

  static int ZombieChildren() {
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      std::ifstream stat(entry.path() / "stat");
      std::string line;
      if (!std::getline(stat, line)) continue;
      // pid (name) state ppid ...; the name may hold blanks and parentheses.
      const size_t close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(line.substr(close + 1));
      char state = 0;
      long parent = 0;
      rest >> state >> parent;
      if (state == 'Z' && parent == ::getpid()) ++zombies;
    }
    return zombies;
  }

  fs::path root_;
  std::optional<std::string> saved_path_;
  std::ostringstream json_;
  Trace trace_{[] { return int64_t{0}; }};
};

TEST_F(ProgramStarterTest, StartsAProgramFoundOnPathAndLeavesNoChildBehind) {
  WriteProgram("probe", kProbeScript);
  ProgramStarter shell(trace_, false);
  const fs::path out = root_ / "out file";
  const std::string command = "probe.exe \"" + out.string() + "\" second";

  const int32_t pid = shell.StartProgram(command);

  EXPECT_GT(pid, 0);
  EXPECT_EQ(WaitForFile(out), out.string() + "|second|");
  // The program is not our child, and nothing of ours waits to be reaped.
  EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(ZombieChildren(), 0);
  EXPECT_NE(json_.str().find(R"("kind":"shell","op":"Start","args":[")"), std::string::npos);
  EXPECT_NE(json_.str().find("\"result\":" + std::to_string(pid)), std::string::npos);
}

TEST_F(ProgramStarterTest, ThrowsWhenNothingCanBeStarted) {
  WriteProgram("broken", "not a program, no interpreter line\n");
  ProgramStarter shell(trace_, false);
  struct Case {
    const char* command;
    int32_t number;
  };
  const Case cases[] = {
      {"readme.txt", 53},
      {"no-such-program-here arg", 53},
      {"   ", 5},
      {"broken", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    try {
      shell.StartProgram(c.command);
      ADD_FAILURE() << "started";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), c.number);
    }
  }
  EXPECT_NE(json_.str().find(R"("error":"53 File not found")"), std::string::npos);
}

TEST_F(ProgramStarterTest, DryRunChecksAndTracesButStartsNothing) {
  WriteProgram("probe", kProbeScript);
  WriteOpener("xdg-open");
  ProgramStarter shell(trace_, true);
  const fs::path out = root_ / "dry";

  EXPECT_EQ(shell.StartProgram("probe " + out.string()), 0);
  EXPECT_THROW(shell.StartProgram("readme.txt"), VbError);
  EXPECT_EQ(shell.ShellExecute("", "readme.txt", "", (root_ / "docs").string(), 1), 42);
  EXPECT_EQ(shell.ShellExecute("", "missing.txt", "", (root_ / "docs").string(), 1), 2);

  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(root_ / "bin" / "xdg-open.args"));
  EXPECT_NE(json_.str().find(R"("op":"Open","args":["readme.txt",""],"result":42)"),
            std::string::npos);
}

TEST_F(ProgramStarterTest, OpensADocumentThroughTheOpenerOnPath) {
  WriteOpener("xdg-open");
  ProgramStarter shell(trace_, false);
  std::string windows_folder = (root_ / "DOCS").string();
  for (char& c : windows_folder) {
    if (c == '/') c = '\\';
  }

  EXPECT_EQ(shell.ShellExecute("", "ReadMe.TXT", "/p", windows_folder, 1), 42);

  EXPECT_EQ(WaitForFile(root_ / "bin" / "xdg-open.args"),
            (root_ / "docs" / "readme.txt").string() + "|");
  EXPECT_NE(json_.str().find(R"("op":"Open","args":["ReadMe.TXT","/p"],"result":42)"),
            std::string::npos);
}

TEST_F(ProgramStarterTest, FallsBackToGioAndPassesAddressesUnchanged) {
  WriteOpener("gio");
  ProgramStarter shell(trace_, false);
  EXPECT_EQ(shell.ShellExecute("open", "https://example.org/a?b=c", "", "", 1), 42);
  EXPECT_EQ(WaitForFile(root_ / "bin" / "gio.args"), "open|https://example.org/a?b=c|");
}

TEST_F(ProgramStarterTest, MapsOpenFailuresToTheWindowsValues) {
  const std::string docs = (root_ / "docs").string();
  ProgramStarter shell(trace_, false);
  struct Case {
    const char* operation;
    std::string file;
    std::string directory;
    int32_t result;
  };
  const Case cases[] = {
      {"", "missing.txt", docs, 2},
      {"", "", docs, 2},
      {"", R"(C:\My Files\report.doc)", "", 2},
      {"", "readme.txt", docs, 31},  // no opener anywhere on PATH
      {"print", "readme.txt", docs, 31},
  };
  ::setenv("PATH", (root_ / "bin").string().c_str(), 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(shell.ShellExecute(c.operation, c.file, "", c.directory, 1), c.result);
  }
}

TEST_F(ProgramStarterTest, TracesKeystrokesWithTheirPlan) {
  ProgramStarter shell(trace_, false);
  shell.SendKeys(ParseKeystrokes("+ab"), true);
  EXPECT_NE(json_.str().find(R"("op":"SendKeys","args":["+ab","Shift:down 'a' Shift:up 'b'"])"),
            std::string::npos);
}

}  // namespace
}  // namespace zarn
