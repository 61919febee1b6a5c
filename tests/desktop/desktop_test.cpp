#include <gtest/gtest.h>
#include <signal.h>

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <optional>
#include <sstream>

#include "desktop/desktop_fixture.h"
#include "platform/common/WindowRegistry.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/desktop/QtScheduler.h"
#include "platform/desktop/X11WindowSystem.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::Shell;
using testing::WaitUntil;
using namespace std::chrono_literals;

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

// The copies on the display and those only the registry knows all close;
// one known both ways (here this test, with a main window and an entry) is
// asked once.
TEST_F(DesktopTest, CloseAllAlsoReachesRegisteredCopiesAndAsksEachOnce) {
  testing::App();
  int display_closes = 0;
  int registry_closes = 0;
  struct Counting : QWidget {
    explicit Counting(int& count) : count(count) {}
    void closeEvent(QCloseEvent* event) override {
      ++count;
      event->ignore();
    }
    int& count;
  };
  std::unique_ptr<QWidget> observer;
  X11WindowSystem display(
      [&](const std::string& caption) {
        observer = std::make_unique<Counting>(display_closes);
        observer->setWindowTitle(QString::fromStdString(caption));
        return static_cast<WindowId>(observer->winId());
      },
      nullptr);
  display.RegisterMainWindow("ZARN://observer", "ZARNPlayMain");
  WindowRegistry registry(dir_ / "registry");
  registry.RegisterMainWindow("ZARN://observer", "ZARNPlayMain");
  registry.SetCloseHandler([&](WindowId) { ++registry_closes; });

  auto shown = Start("shown", {script_});
  auto headless = Start("headless", {"--headless", script_});
  ASSERT_TRUE(
      WaitUntil([&] { return MainWindows() == 1 && registry.TopLevelWindows().size() == 3; }));
  auto closer = Start("closer", {"/CloseAll"});
  ASSERT_TRUE(WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        registry.AcceptCloseMessages();
        return !closer->Running();
      },
      60s));
  EXPECT_EQ(closer->Wait(0s), std::optional<int>(0));
  for (const char* name : {"shown", "headless"}) {
    SCOPED_TRACE(name);
    auto& player = std::string(name) == "shown" ? shown : headless;
    EXPECT_EQ(player->Wait(30s), std::optional<int>(0));
    EXPECT_EQ(Select(ParseTrace(ReadFile(Trace(name))), "life", "Unload").size(), 1u);
  }
  EXPECT_EQ(display_closes, 1);
  EXPECT_EQ(registry_closes, 0);
}

// Close Program in the error report ends the program through the orderly
// quit: the main form unloads and the trace ends as usual.
TEST_F(DesktopTest, CloseProgramInTheErrorReportEnds) {
  const std::string script =
      dir_.Write("failing.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n"
                 "1=One|~|one\n[Script]\nSENDKEYS \"{FOO}\"\n");
  auto player = Start("player", {script});
  std::string geometry;
  ASSERT_TRUE(WaitUntil([&] {
    geometry = Shell("xdotool search --onlyvisible --name '^ZARN 7' getwindowgeometry --shell");
    return geometry.find("X=") != std::string::npos;
  })) << ReadFile(dir_ / "player.out");
  const int x = std::stoi(geometry.substr(geometry.find("X=") + 2));
  const int y = std::stoi(geometry.substr(geometry.find("Y=") + 2));
  // Close Program: 6060, 3900, 1440, 435 twips; its middle.
  Shell("xdotool mousemove " + std::to_string(x + 452) + " " + std::to_string(y + 274) +
        " click 1");
  EXPECT_EQ(player->Wait(20s), std::optional<int>(0));
  const auto records = ParseTrace(ReadFile(Trace("player")));
  EXPECT_EQ(Select(records, "ui", "ErrorReport").size(), 1u);
  EXPECT_EQ(Select(records, "life", "Unload").size(), 1u);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().op, "Exit");
}

// Where the error report is on screen.
struct Window {
  int x = 0, y = 0, w = 0, h = 0;
};
std::optional<Window> ReportWindow() {
  const std::string geometry =
      Shell("xdotool search --onlyvisible --name '^ZARN 7' getwindowgeometry --shell");
  if (geometry.find("X=") == std::string::npos) return std::nullopt;
  auto field = [&](const char* name) {
    return std::stoi(geometry.substr(geometry.find(name) + std::strlen(name)));
  };
  return Window{field("X="), field("Y="), field("WIDTH="), field("HEIGHT=")};
}

void Click(const Window& report, int left_twips, int top_twips) {
  // The middle of a 1440 x 435 twip button.
  Shell("xdotool mousemove " + std::to_string(report.x + (left_twips + 720) / 15) + " " +
        std::to_string(report.y + (top_twips + 217) / 15) + " click 1");
}

// Copy to Clipboard, then Close Program: the program ends there, nothing
// of the loading it interrupted runs on, and the copy is still there to
// paste afterwards.
TEST_F(DesktopTest, CloseProgramEndsThereAndTheCopiedReportOutlivesIt) {
  const std::string script = dir_.Write(
      "bad.zrn",
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Bookmarks]\nx=\n[Commands]\n"
      "1=One|~|one\n[Script]\nPip.Show\n");
  auto player = Start("player", {script});
  std::optional<Window> report;
  ASSERT_TRUE(WaitUntil([&] { return (report = ReportWindow()).has_value(); }))
      << ReadFile(dir_ / "player.out");
  Click(*report, 6060, 2640);  // Copy to Clipboard
  ASSERT_TRUE(WaitUntil(
      [] { return !Shell("xdotool search --onlyvisible --name '^ZARNPlay$'").empty(); }, 5s));
  Shell("xdotool key Return");
  ASSERT_TRUE(WaitUntil(
      [] { return Shell("xdotool search --onlyvisible --name '^ZARNPlay$'").empty(); }, 5s));
  Click(*report, 6060, 3900);  // Close Program
  EXPECT_EQ(player->Wait(10s), std::optional<int>(0));
  const auto records = ParseTrace(ReadFile(Trace("player")));
  const auto shown = std::find_if(records.begin(), records.end(),
                                  [](const auto& r) { return r.op == "ErrorReport"; });
  ASSERT_NE(shown, records.end());
  for (auto after = shown; after != records.end(); ++after) {
    EXPECT_NE(after->kind, "call") << after->raw;
  }
  EXPECT_EQ(records.back().op, "Exit");
  testing::App();
  std::string pasted;
  WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        pasted = QGuiApplication::clipboard()->text().toStdString();
        return !pasted.empty();
      },
      5s);
  EXPECT_EQ(pasted.rfind("ZARN Version", 0), 0u) << pasted;
  EXPECT_NE(pasted.find(shown->Arg(0).substr(0, 20)), std::string::npos) << pasted;
}

// A report raised while a character speaks stays above it and its balloon.
TEST_F(DesktopTest, TheErrorReportStaysAboveTheCharactersAndBalloons) {
  const std::string script = dir_.Write(
      "speaking.zrn",
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n1=One|~|one\n"
      "[Script]\nPip.MoveTo 400, 330, 0\nPip.Show\nPip.Speak \"Here are a good many words to "
      "say, one after another, slowly and with care, before the end\"\nSENDKEYS \"{FOO}\"\n");
  auto player = Start("player", {script});
  std::optional<Window> report;
  ASSERT_TRUE(WaitUntil([&] { return (report = ReportWindow()).has_value(); }))
      << ReadFile(dir_ / "player.out");
  std::this_thread::sleep_for(2500ms);  // words keep coming, the balloon redraws
  if (const char* keep = std::getenv("ZARN_SHOTS")) {
    Shell("import -window root " + std::string(keep) + "/report-on-top.png");
  }
  Shell("import -window root -depth 8 rgb:" + (dir_ / "shot.rgb"));
  const std::string rgb = ReadFile(dir_ / "shot.rgb");
  ASSERT_EQ(rgb.size(), 1024u * 768u * 3u);
  int pip_or_paper = 0;
  // Right of the report's own picture, which is painted on the balloon's paper.
  for (int y = report->y; y < report->y + report->h; ++y) {
    for (int x = report->x + 180; x < report->x + report->w; ++x) {
      const auto* p = reinterpret_cast<const unsigned char*>(rgb.data()) + (y * 1024 + x) * 3;
      const bool yellow = std::abs(p[0] - 250) + std::abs(p[1] - 210) + std::abs(p[2] - 60) < 30;
      const bool paper = p[0] == 255 && p[1] == 255 && p[2] == 225;
      pip_or_paper += yellow || paper ? 1 : 0;
    }
  }
  EXPECT_EQ(pip_or_paper, 0);
  Click(*report, 6060, 3900);
  EXPECT_EQ(player->Wait(10s), std::optional<int>(0));
}

// kill -TERM (a logout, a service manager) ends the program while it waits
// in a dialog, as it does anywhere else.
TEST_F(DesktopTest, TerminationEndsTheProgramWhileADialogWaits) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // after the program's path
    const char* title;              // the dialog's, as xdotool matches it
  };
  const Case cases[] = {
      {"open dialog", {}, "^Open ZARN Script$"},
      {"message box",
       {dir_.Write("nobody.zrn",
                   "[ZARN Script]\nVersion=7.0\n[Characters]\nNobody=Nobody.acs\n"
                   "[Commands]\n1=One|~|one\n[Script]\nNobody.Show\n")},
       "^ZARNPlay$"},
      {"error report",
       {dir_.Write("failing.zrn",
                   "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n"
                   "1=One|~|one\n[Script]\nSENDKEYS \"{FOO}\"\n")},
       "^ZARN 7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto player = Start("player", c.args);
    ASSERT_TRUE(WaitUntil([&] {
      return !Shell("xdotool search --onlyvisible --name '" + std::string(c.title) + "'").empty();
    })) << ReadFile(dir_ / "player.out");
    kill(player->Pid(), SIGTERM);
    EXPECT_TRUE(player->Wait(10s).has_value());
    player->Kill();
  }
}

// The open dialog's filters read as the program names them, each once.
TEST(OpenDialogTest, FilterCaptionsNameTheirPatternsOnce) {
  testing::App();
  QtScheduler loop;
  zarn::Trace trace([] { return int64_t{0}; });
  QtDesktop screen(loop, trace);
  FileDialogRequest request;
  request.title = "Open ZARN Script";
  request.filter = "ZARN Script Files (*.zrn, *.zrs)|*.zrn;*.zrs|All Files (*.*)|*.*";
  request.filter_index = 1;
  QStringList shown;
  QTimer::singleShot(300, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(window);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
        for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
      }
      dialog->reject();
    }
  });
  EXPECT_FALSE(screen.ShowFileDialog(request).confirmed);
  EXPECT_EQ(shown, (QStringList{"ZARN Script Files (*.zrn, *.zrs)", "All Files (*.*)"}));
}

// What the desktop is given but cannot use is named in one line on stderr
// each, and the script still plays.
TEST_F(DesktopTest, WhatGoesUnusedIsNamedOnStderr) {
  const std::string script = dir_.Write(
      "short.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Show\n");
  const std::string trace = dir_ / "short.jsonl";
  const std::string nested = std::string(ZARN_SOURCE_DIR) + "/tests/desktop/with_display.sh";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> named;  // what each line of ours names, in order
  };
  const Case cases[] = {
      {"no tray host", {nested, "--no-tray", ZARNPLAY_EXE, "--trace", trace, script}, {"tray"}},
      {"headless-only options",
       {ZARNPLAY_EXE, "--act", "1 close", "--trace", trace, "--clock", "2026-01-01 10:00:00",
        "--act", "2 close", script},
       {"--act", "--clock"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto run = RunProcess(
        c.args, {"ZARN_CHARACTERS=" + characters_, "ZARN_INSTANCE_DIR=" + (dir_ / "registry")},
        dir_.Path());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<std::string> ours;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("zarnplay: ", 0) == 0) ours.push_back(line);
    }
    ASSERT_EQ(ours.size(), c.named.size()) << run.err;
    for (size_t i = 0; i < ours.size(); ++i) {
      EXPECT_NE(ours[i].find(c.named[i]), std::string::npos) << ours[i];
    }
    const auto records = ParseTrace(ReadFile(trace));
    EXPECT_EQ(Select(records, "call", "Show").size(), 1u);
    EXPECT_EQ(Select(records, "life", "ShutDown").size(), 1u);
  }
}

}  // namespace
}  // namespace zarn
