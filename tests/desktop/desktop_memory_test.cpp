#include <signal.h>

#include <regex>

#include "desktop/desktop_fixture.h"
#include "desktop/desktop_proc.h"

// However large a script makes a character and its balloon font, the
// player's memory stays bounded: on the screen, in a recording, headless,
// and when the script comes from the network.

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ReadFile;
using testing::StatusKb;
using testing::WaitUntil;
using namespace std::chrono_literals;

constexpr char kHuge[] =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
    "Pip.Width=30000\nPip.Height=30000\nPip.Balloon.FontSize=2000\nPip.MoveTo 0, 0, 0\n"
    "Pip.Show\nPip.Speak \"Hello there, a very large character speaks in a very large font.\"\n"
    "Pip.Play \"Greet\"\nPip.Speak \"Once more.\"\nPip.Hide\n";

constexpr long kBoundKb = 400 * 1024;

// The port a `python3 -m http.server 0` child says it serves on.
int ServedPort(const std::string& log) {
  int port = 0;
  WaitUntil([&] {
    std::smatch match;
    const std::string text = ReadFile(log);
    if (std::regex_search(text, match, std::regex("port ([0-9]+)"))) port = std::stoi(match[1]);
    return port != 0;
  });
  return port;
}

TEST_F(DesktopTest, AHugeCharacterAndBalloonFontStayWithinAMemoryBound) {
  const std::string script = dir_.Write("huge.zrn", kHuge);
  ChildProcess server({"/usr/bin/python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                       "--directory", dir_.Path()},
                      {}, dir_ / "server.log");
  const int port = ServedPort(dir_ / "server.log");
  ASSERT_NE(port, 0);
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"desktop", {script}},
      {"record", {"--record", dir_ / "huge.mp4", script}},
      {"headless", {"--headless", script}},
      {"downloaded", {"http://127.0.0.1:" + std::to_string(port) + "/huge.zrn"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto player = Start(c.name, c.args);
    long peak = 0;
    // Sampled to the end; a child past the bound is stopped at once.
    while (player->Running() && peak <= kBoundKb) {
      peak = std::max(peak, StatusKb(player->Pid(), "VmHWM"));
      std::this_thread::sleep_for(100ms);
    }
    EXPECT_LE(peak, kBoundKb);
    EXPECT_GT(peak, 0);
    const bool ended = peak > kBoundKb || player->Wait(30s).has_value();
    EXPECT_TRUE(ended);
    EXPECT_NE(ReadFile(Trace(c.name)).find("\"op\":\"Speak\""), std::string::npos);
  }
}

}  // namespace
}  // namespace zarn
