#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "e2e/e2e_selfrun_ChildProcess.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

// Runs under tests/desktop/with_display.sh: a private Xvfb with a tray host.

namespace zarn {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::TempFolder;

constexpr char kStaying[] =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n1=One|~|one\n"
    "[Script]\nPip.Show\n";

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
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
  std::unique_ptr<ChildProcess> Start(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), {ZARNPLAY_EXE, "--trace", Trace(name)});
    return std::make_unique<ChildProcess>(
        args, std::map<std::string, std::string>{{"ZARN_CHARACTERS", characters_}},
        dir_ / (name + ".out"));
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

TEST_F(DesktopTest, WithoutADisplayItAsksForHeadless) {
  const auto run =
      RunProcess({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", ZARNPLAY_EXE, script_},
                 {}, dir_.Path());
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(run.err.find("--headless"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(DesktopTest, MainWindowTrayMenuAndClose) {
  auto player = Start("player", {script_});
  ASSERT_TRUE(WaitUntil([] { return MainWindows() == 1; }));
  // The tray icon docks into the tray host's panel (top right, 32 px high).
  std::string icon;
  ASSERT_TRUE(WaitUntil([&] {
    icon = Shell("xdotool search --onlyvisible --class zarnplay getwindowgeometry --shell %@");
    return icon.find("Y=1\n") != std::string::npos;
  })) << icon;
  const int x = std::stoi(icon.substr(icon.find("X=") + 2));
  EXPECT_GT(x, 900);
  const auto visible = [] {
    const std::string ids = Shell("xdotool search --onlyvisible --class zarnplay");
    return std::count(ids.begin(), ids.end(), '\n');
  };
  ASSERT_EQ(visible(), 1);
  // Once Pip has shown, the menu offers to hide it.
  ASSERT_TRUE(
      WaitUntil([&] { return ReadFile(Trace("player")).find("Hide &Pip") != std::string::npos; }));
  // A left click does nothing; a right click shows the menu.
  Shell("xdotool mousemove " + std::to_string(x + 11) + " 16 click 1");
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(visible(), 1);
  Shell("xdotool mousemove " + std::to_string(x + 11) + " 16 click 3");
  ASSERT_TRUE(WaitUntil([&] { return visible() == 2; }));
  Shell("import -window root " + (dir_ / "menu.png"));
  // Its accelerator chooses "&Close".
  Shell("xdotool key c");
  EXPECT_EQ(player->Wait(20s), std::optional<int>(0));

  const auto records = ParseTrace(ReadFile(Trace("player")));
  // The menu as it stood when it was shown (shutting down hides Pip again).
  std::vector<std::string> shown;
  for (const auto& record : records) {
    if (record.op == "ShutDown") break;
    if (record.op == "Menu") shown = record.args;
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"Hide &Pip", "&Close"}));
  EXPECT_EQ(Select(records, "life", "ShutDown").size(), 1u);
  EXPECT_EQ(records.back().op, "Exit");
}

TEST_F(DesktopTest, CloseAllEndsThreeCopiesOnTheDisplay) {
  std::vector<std::unique_ptr<ChildProcess>> players;
  for (int i = 1; i <= 3; ++i) players.push_back(Start("player" + std::to_string(i), {script_}));
  ASSERT_TRUE(WaitUntil([] { return MainWindows() == 3; }));
  auto closer = Start("closer", {"/CloseAll"});
  EXPECT_EQ(closer->Wait(60s), std::optional<int>(0));
  for (size_t i = 0; i < players.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(players[i]->Wait(30s), std::optional<int>(0));
    const auto records = ParseTrace(ReadFile(Trace("player" + std::to_string(i + 1))));
    EXPECT_EQ(Select(records, "life", "Unload").size(), 1u);
  }
  EXPECT_EQ(MainWindows(), 0);
}

// An xterm running `cat > typed.txt` takes the keys; CLOSEAPP then closes it
// by its title.
TEST_F(DesktopTest, SendKeysTypesIntoTheFocusedWindowAndCloseAppClosesIt) {
  const std::string typed = dir_ / "typed.txt";
  ChildProcess xterm({"/usr/bin/xterm", "-T", "Typing Target", "-e", "sh", "-c", "cat > " + typed},
                     {}, dir_ / "xterm.out");
  std::string id;
  ASSERT_TRUE(WaitUntil([&] {
    id = Shell("xdotool search --onlyvisible --name '^Typing Target$'");
    return !id.empty();
  }));
  Shell("xdotool windowfocus --sync " + id);
  auto play = [&](const std::string& name, const std::string& lines) {
    const std::string script = dir_.Write(
        name + ".zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n" + lines);
    return Start(name, {script})->Wait(30s);
  };
  EXPECT_EQ(play("keys", "SENDKEYS \"Hello +world{!}~\"\nSENDKEYS \"{TAB}x{BS}y~\"\n"),
            std::optional<int>(0));
  const std::string expected = "Hello World!\n\ty\n";
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(typed) == expected; }, 5s)) << ReadFile(typed);
  EXPECT_EQ(play("close", "CLOSEAPP \"Typing Target\"\n"), std::optional<int>(0));
  EXPECT_TRUE(xterm.Wait(10s).has_value()) << "the xterm was not closed";
}

}  // namespace
}  // namespace zarn
