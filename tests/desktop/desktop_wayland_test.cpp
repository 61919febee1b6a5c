#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "desktop/desktop_fixture.h"
#include "support/TraceReader.h"

// A Wayland session: weston's headless back end with Xwayland, through
// which the program draws its windows.

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

TEST_F(DesktopTest, OnWestonACharacterShowsMovesAndSpeaksThroughXwayland) {
  const std::string runtime = dir_ / "runtime";
  std::filesystem::create_directory(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  const std::string log = dir_ / "weston.log";
  ChildProcess weston(
      {"/usr/bin/weston", "--backend=headless-backend.so", "--xwayland", "--socket=wayland-zarn",
       "--width=1024", "--height=768", "--idle-time=0", "--log=" + log},
      {{"XDG_RUNTIME_DIR", runtime}}, dir_ / "weston.out");
  std::string display;
  ASSERT_TRUE(WaitUntil([&] {
    const std::string text = ReadFile(log);
    const size_t at = text.find("xserver listening on display ");
    if (at == std::string::npos) return false;
    display = text.substr(at + 29, text.find('\n', at) - at - 29);
    return true;
  })) << ReadFile(log);
  const std::string script =
      dir_.Write("wayland.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n1=One|~|one\n"
                 "[Script]\nPip.MoveTo 100, 100, 0\nPip.Show\nPip.MoveTo 400, 300, 1000\n"
                 "Pip.Speak \"Hello from a Wayland session, with a few words more\"\n");
  auto env = Environment();
  env["DISPLAY"] = display;
  env["WAYLAND_DISPLAY"] = runtime + "/wayland-zarn";
  env.erase("QT_QPA_PLATFORM");
  ChildProcess player({ZARNPLAY_EXE, "--trace", Trace("player"), script}, env, dir_ / "player.out");
  auto on = [&](const std::string& title) {
    return Shell("DISPLAY=" + display + " xwininfo -name '" + title + "' 2>/dev/null");
  };
  // The character's window arrives where the slide ends; the balloon maps.
  EXPECT_TRUE(WaitUntil([&] {
    const std::string info = on("zarnplay character");
    return info.find("IsViewable") != std::string::npos &&
           info.find("Absolute upper-left X:  400") != std::string::npos &&
           info.find("Absolute upper-left Y:  300") != std::string::npos;
  })) << ReadFile(dir_ / "player.out");
  EXPECT_TRUE(
      WaitUntil([&] { return on("zarnplay balloon").find("IsViewable") != std::string::npos; }));
  const auto records = ParseTrace(ReadFile(Trace("player")));
  EXPECT_EQ(Select(records, "event", "Show").size(), 1u);
  EXPECT_FALSE(Select(records, "call", "Speak").empty());
  kill(player.Pid(), SIGTERM);
  EXPECT_EQ(player.Wait(20s), std::optional<int>(0));
  kill(weston.Pid(), SIGTERM);
  weston.Wait(10s);
}

}  // namespace
}  // namespace zarn
