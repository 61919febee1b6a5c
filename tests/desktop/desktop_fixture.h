#pragma once

// Shared by the desktop tests, which run under tests/desktop/with_display.sh:
// a private Xvfb (1024 x 768) with a tray host.

#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/e2e_selfrun_ChildProcess.h"
#include "support/Harness.h"
#include "support/Process.h"

namespace zarn::testing {

using namespace std::chrono_literals;

// One application object for the whole test program.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "test_desktop";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

inline constexpr char kStaying[] =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n1=One|~|one\n"
    "[Script]\nPip.Show\n";

inline std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

inline bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
  for (auto until = std::chrono::steady_clock::now() + limit;
       std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(50ms)) {
    if (done()) return true;
  }
  return false;
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto made =
        RunProcess({ZARNPLAY_EXE, "--make-test-characters", characters_}, {}, dir_.Path());
    ASSERT_EQ(made.exit_code, 0) << made.err;
    script_ = dir_.Write("stay.zrn", kStaying);
  }
  // Copies register in a registry of this test's own, not the user's.
  std::map<std::string, std::string> Environment() const {
    return {{"ZARN_CHARACTERS", characters_}, {"ZARN_INSTANCE_DIR", dir_ / "registry"}};
  }
  std::unique_ptr<ChildProcess> Start(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), {ZARNPLAY_EXE, "--trace", Trace(name)});
    return std::make_unique<ChildProcess>(args, Environment(), dir_ / (name + ".out"));
  }
  std::string Trace(const std::string& name) const { return dir_ / (name + ".jsonl"); }
  // Lines of the window tree naming our main window by title and class.
  static int MainWindows() {
    const std::string tree = Shell("xwininfo -root -tree");
    int count = 0;
    for (size_t at = 0; (at = tree.find("\"ZARN://zarnplay\": (\"zarnplay\" \"ZARNPlayMain\")",
                                        at)) != std::string::npos;
         ++at) {
      ++count;
    }
    return count;
  }

  TempFolder dir_;
  std::string characters_ = dir_ / "characters";
  std::string script_;
};

}  // namespace zarn::testing
