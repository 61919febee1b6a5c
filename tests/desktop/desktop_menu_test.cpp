#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>

#include "desktop/desktop_fixture.h"
#include "support/TraceReader.h"

// What a person gets from a character's right-click menu, with and without
// a tray host, and balloons on a second monitor.

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::Select;
using testing::Shell;
using testing::WaitUntil;
using namespace std::chrono_literals;

// A display of the test's own beside the suite's: a nested Xvfb without a
// tray host, or Xephyr joining two 1024 x 768 heads into one root. It says
// its name into a file; it ends when the test lets go of it.
class OtherDisplay {
 public:
  OtherDisplay(const std::string& folder, const std::string& kind) : folder_(folder) {
    const std::string named = folder + "/" + kind + ".display";
    std::string command;
    if (kind == "no-tray") {
      command = "exec " + std::string(ZARN_SOURCE_DIR) +
                "/tests/desktop/with_display.sh --no-tray sh -c 'echo \"$DISPLAY\" >" + named +
                ".tmp && mv " + named + ".tmp " + named + " && while [ ! -e " + folder +
                "/stop ]; do sleep 0.1; done'";
    } else {
      command =
          "exec Xephyr -displayfd 3 -screen 1024x768 -screen 1024x768 +xinerama "
          "-nolisten tcp 3>" +
          named;
    }
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sh", "-c", command},
                                              std::map<std::string, std::string>{},
                                              folder + "/" + kind + ".out");
    WaitUntil([&] {
      std::ifstream in(named);
      std::string line;
      if (!std::getline(in, line) || line.empty()) return false;
      name_ = line[0] == ':' ? line : ":" + line;
      return true;
    });
    // The number is written before the server takes clients.
    WaitUntil(
        [&] { return system(("xdpyinfo -display " + name_ + " >/dev/null 2>&1").c_str()) == 0; });
  }
  ~OtherDisplay() {
    std::ofstream(folder_ + "/stop").put('\n');
    kill(process_->Pid(), SIGTERM);
    process_->Wait(10s);
  }
  const std::string& Name() const { return name_; }
  // A shell command run against this display.
  std::string Run(const std::string& command) const {
    return Shell("DISPLAY=" + name_ + " " + command);
  }

 private:
  std::string folder_;
  std::string name_;
  std::unique_ptr<ChildProcess> process_;
};

class CharacterMenuTest : public DesktopTest {
 protected:
  void TearDown() override { EndPlayer(); }
  // Before a display of the test's own goes away.
  void EndPlayer() {
    if (!player_) return;
    kill(player_->Pid(), SIGTERM);
    EXPECT_EQ(player_->Wait(20s), std::optional<int>(0));
    player_.reset();
  }
  // Pip at (300, 300) with a long queue behind its Show; Loopy hidden.
  void Play(const std::string& display, const std::string& commands,
            const std::string& lines = "") {
    std::string script =
        "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\nLoopy=Loopy.acs\n"
        "[Commands]\n" +
        commands + "1=One|~|one\n[Script]\nPip.MoveTo 300, 300, 0\nPip.Show\n" + lines;
    auto env = Environment();
    if (!display.empty()) env["DISPLAY"] = display;
    player_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{ZARNPLAY_EXE, "--trace", Trace("menu"),
                                 dir_.Write("menu.zrn", script)},
        env, dir_ / "menu.out");
  }
  std::vector<testing::TraceLine> Records(const std::string& kind, const std::string& op) {
    return Select(ParseTrace(ReadFile(Trace("menu"))), kind, op);
  }
  // Right-clicks Pip until its menu is open; returns the menu's items.
  std::vector<std::string> OpenMenu(const std::string& display) {
    const std::string on = display.empty() ? "" : "DISPLAY=" + display + " ";
    const size_t before = Records("ui", "CharacterMenu").size();
    Shell(on + "xdotool mousemove 364 384 click 3");
    if (!WaitUntil([&] { return Records("ui", "CharacterMenu").size() > before; }, 5s)) return {};
    // The menu may not have the keyboard yet on a loaded machine.
    std::this_thread::sleep_for(500ms);
    return Records("ui", "CharacterMenu").back().args;
  }
  void Shot(const std::string& display, const std::string& name) {
    if (const char* keep = std::getenv("ZARN_SHOTS")) {
      Shell((display.empty() ? "" : "DISPLAY=" + display + " ") + "import -window root " +
            std::string(keep) + "/" + name + ".png");
    }
  }

  std::unique_ptr<ChildProcess> player_;
};

// With a tray the menu is the service's items, the commands and the name
// they go by; "&Hide" hides at once, ahead of what the script queued.
TEST_F(CharacterMenuTest, WithATrayTheMenuLeavesTheTraysItemsThereAndHidesAtOnce) {
  Play("", "MenuName=Pip's Things\n",
       "Pip.Speak \"" + std::string(40, 'a') +
           " and a great many words after it, said slowly\"\n"
           "Pip.MoveTo 900, 500, 20000\nPip.MoveTo 300, 300, 20000\n");
  ASSERT_TRUE(WaitUntil([&] { return !Records("event", "Show").empty(); }));
  std::this_thread::sleep_for(1500ms);
  const std::vector<std::string> expected{
      "Open &Voice Commands Window", "&Hide", "-", "One", "Close", "-", "Pip's Things"};
  EXPECT_EQ(OpenMenu(""), expected);
  Shot("", "menu-with-tray");
  Shell("xdotool key h");
  // Well before the speech and the two 20-second slides are through.
  EXPECT_TRUE(WaitUntil([&] { return !Records("event", "Hide").empty(); }, 4s));
  ASSERT_FALSE(Records("event", "Hide").empty());
  EXPECT_EQ(Records("event", "Hide")[0].args, (std::vector<std::string>{"7"}));
}

// Without a tray host its items come after the character's own, and work.
TEST_F(CharacterMenuTest, WithoutATrayHostTheMenuCarriesTheTraysItems) {
  OtherDisplay display(dir_.Path(), "no-tray");
  ASSERT_FALSE(display.Name().empty());
  Play(display.Name(), "");
  ASSERT_TRUE(WaitUntil([&] { return !Records("event", "Show").empty(); }));
  std::this_thread::sleep_for(1500ms);
  const std::vector<std::string> expected{"Open &Voice Commands Window",
                                          "&Hide",
                                          "-",
                                          "One",
                                          "Close",
                                          "-",
                                          "ZARNPlay - Pip",
                                          "-",
                                          "Hide &Pip",
                                          "Show &Loopy",
                                          "&Close"};
  EXPECT_EQ(OpenMenu(display.Name()), expected);
  Shot(display.Name(), "menu-without-tray");
  display.Run("xdotool key l");
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (const auto& shown : Records("event", "Show")) {
          if (shown.character == "Loopy") return true;
        }
        return false;
      },
      5s));
  EndPlayer();
}

// A conversation chosen from the menu, again and again: one character's
// voice ends as the other's begins, over and over, and the program plays on.
TEST_F(CharacterMenuTest, TurnsOfSpeechChosenFromTheMenuPlayOn) {
  constexpr int kTurns = 12, kRounds = 3;
  std::string talk = "Loopy.MoveTo 600, 300, 0\nLoopy.Show\n[CommandScript:talk]\n";
  for (int i = 0; i < kTurns; ++i) talk += "Pip.Speak \"Hi.\"\nLoopy.Speak \"Yes.\"\n";
  Play("", "talk=&Talk|~|talk\n", talk);
  ASSERT_TRUE(WaitUntil([&] { return Records("event", "Show").size() == 2; }));
  for (int round = 1; round <= kRounds; ++round) {
    SCOPED_TRACE(round);
    ASSERT_FALSE(OpenMenu("").empty());
    Shell("xdotool key t");
    const auto said = [&] {
      std::set<int64_t> speeches;
      for (const auto& call : Records("call", "Speak")) speeches.insert(call.req.value_or(-1));
      size_t done = 0;
      for (const auto& end : Records("event", "RequestComplete")) done += speeches.count(*end.req);
      return done;
    };
    WaitUntil([&] { return !player_->Running() || said() == size_t(2 * kTurns * round); }, 60s);
    ASSERT_TRUE(player_->Running()) << ReadFile(dir_ / "menu.out");
    EXPECT_EQ(said(), size_t(2 * kTurns * round));
  }
}

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
};

// A mapped window of ours by title, on `display`.
std::optional<Box> Mapped(const OtherDisplay& display, const std::string& title) {
  const std::string info = display.Run("xwininfo -name '" + title + "' 2>/dev/null");
  if (info.find("IsViewable") == std::string::npos) return std::nullopt;
  auto field = [&](const std::string& label) {
    const size_t at = info.find(label);
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + label.size());
  };
  return Box{field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"),
             field("Height:")};
}

// Two monitors side by side: each balloon stays on the monitor of the
// character speaking, beside it, near either edge.
TEST_F(CharacterMenuTest, BalloonsStayOnTheCharactersMonitor) {
  OtherDisplay display(dir_.Path(), "two-heads");
  ASSERT_FALSE(display.Name().empty());
  ASSERT_NE(display.Run("xdpyinfo").find("2048x768 pixels"), std::string::npos);
  const std::string words = "\"Here are a good many words to say, and then a few more\"\n";
  Play(display.Name(), "",
       "Pip.MoveTo 1500, 300, 0\nPip.Speak " + words + "Pip.MoveTo 1910, 40, 0\nPip.Speak " +
           words + "Pip.MoveTo 940, 300, 0\nPip.Speak " + words + "Pip.MoveTo 1500, 300, 0\n");
  struct Case {
    int pip_x;
    int monitor_left;
  };
  const Case cases[] = {{1500, 1024}, {1910, 1024}, {940, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pip_x);
    std::optional<Box> balloon;
    ASSERT_TRUE(WaitUntil(
        [&] {
          const auto pip = Mapped(display, "zarnplay character");
          balloon = Mapped(display, "zarnplay balloon");
          return pip && balloon && pip->x == c.pip_x;
        },
        20s))
        << ReadFile(dir_ / "menu.out");
    if (c.pip_x == 1500) Shot(display.Name(), "second-monitor-balloon");
    EXPECT_GE(balloon->x, c.monitor_left);
    EXPECT_LE(balloon->x + balloon->w, c.monitor_left + 1024);
    // Beside the character, not pinned to an edge far away.
    EXPECT_LT(std::abs(balloon->x + balloon->w / 2 - (c.pip_x + 64)), 200);
  }
  // The Voice Commands box from its menu opens on its monitor too.
  ASSERT_TRUE(WaitUntil([&] {
    const auto pip = Mapped(display, "zarnplay character");
    return pip && pip->x == 1500;
  }));
  std::optional<Box> box;
  for (int attempt = 0; attempt < 3 && !box; ++attempt) {
    display.Run("xdotool key Escape mousemove 1564 384 click 3");
    std::this_thread::sleep_for(700ms);
    display.Run("xdotool key v");
    WaitUntil([&] { return (box = Mapped(display, "Voice Commands")).has_value(); }, 3s);
  }
  ASSERT_TRUE(box.has_value());
  EXPECT_GE(box->x, 1024);
  EXPECT_LE(box->x + box->w, 2048);
  EndPlayer();
}

}  // namespace
}  // namespace zarn
