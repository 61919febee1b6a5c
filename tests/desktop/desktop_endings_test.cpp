#include <signal.h>

#include <filesystem>
#include <regex>

#include "desktop/desktop_fixture.h"
#include "support/download_TestServers.h"

// However the program ends, its trace is whole lines, all written, and ends
// with the exit wherever the process lived to write it.

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ReadFile;
using testing::Shell;
using testing::WaitUntil;
using namespace std::chrono_literals;

// An Xvfb of the test's own, so that one row can take it away.
class PrivateDisplay {
 public:
  explicit PrivateDisplay(const std::string& log)
      : server_(
            {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
            {}, log) {
    WaitUntil([&] {
      std::smatch match;
      const std::string text = ReadFile(log);
      if (std::regex_search(text, match, std::regex("(^|\n)([0-9]+)\n")))
        name_ = ":" + match[2].str();
      return !name_.empty();
    });
  }
  const std::string& Name() const { return name_; }
  void Kill() { server_.Kill(); }

 private:
  ChildProcess server_;
  std::string name_;
};

TEST_F(DesktopTest, TheTraceEndsWholeAndWithTheExitOnEveryEnding) {
  const std::string failing =
      dir_.Write("failing.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n1=One|~|one\n"
                 "[Script]\nPip.Show\nPip.Speak \"Hello\"\nSENDKEYS \"{FOO}\"\n");
  const std::string ending =
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
      "Pip.Show\nPip.Speak \"Hello\"\n";
  // Played from a URL, its downloaded copy goes with the program.
  // Typing keys would ask first in a script from the network: an overflow fails it.
  std::string failing_served = ReadFile(failing);
  failing_served.replace(failing_served.find("SENDKEYS"), std::string::npos,
                         "Pip.MoveTo 99999999999, 300\n");
  testing::HttpServer http({{"/failing.zrn", failing_served}, {"/ending.zrn", ending}});
  struct Case {
    const char* name;
    std::function<void(ChildProcess&, PrivateDisplay&)> end;
    int code;
    std::string script;
    bool headless = false;
  };
  const auto sigterm = [](ChildProcess& p, PrivateDisplay&) { kill(p.Pid(), SIGTERM); };
  const auto report_shown = [](const std::string& display) {
    return WaitUntil([&] {
      return !Shell("DISPLAY=" + display + " xdotool search --onlyvisible --name '^ZARN 7'")
                  .empty();
    });
  };
  const auto close_program = [&](ChildProcess&, PrivateDisplay& display) {
    ASSERT_TRUE(report_shown(display.Name()));
    // Close Program: 6060, 3900, 1440, 435 twips from the report's corner.
    Shell("DISPLAY=" + display.Name() + " xdotool search --onlyvisible --name '^ZARN 7' " +
          "mousemove --window %1 452 274 click 1");
  };
  const Case cases[] = {
      {"sigterm", sigterm, 0, failing},
      {"sigint", [](ChildProcess& p, PrivateDisplay&) { kill(p.Pid(), SIGINT); }, 0, failing},
      {"display-lost", [](ChildProcess&, PrivateDisplay& display) { display.Kill(); }, 1, failing},
      {"close-program", close_program, 0, failing},
      {"served-ends", [](ChildProcess&, PrivateDisplay&) {}, 0, http.Url("/ending.zrn")},
      {"served-sigterm", sigterm, 0, http.Url("/failing.zrn")},
      {"served-close-program", close_program, 0, http.Url("/failing.zrn")},
      {"served-headless-ends", [](ChildProcess&, PrivateDisplay&) {}, 0, http.Url("/ending.zrn"),
       true},
      {"served-headless-sigterm", sigterm, 0, http.Url("/failing.zrn"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrivateDisplay display(dir_ / (std::string(c.name) + ".xvfb"));
    ASSERT_FALSE(display.Name().empty());
    auto env = Environment();
    env["DISPLAY"] = display.Name();
    const std::string temp = dir_ / (std::string(c.name) + "-tmp");
    std::filesystem::create_directories(temp);
    env["TMPDIR"] = temp;
    const std::string trace = Trace(c.name);
    std::vector<std::string> args{ZARNPLAY_EXE, "--trace", trace, c.script};
    if (c.headless) args.insert(args.begin() + 1, {"--headless", "--realtime"});
    ChildProcess player(args, env, dir_ / c.name);
    // Under way: the character has drawn a frame and the trace was written out.
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(trace).find("\"anim\"") != std::string::npos; }))
        << ReadFile(dir_ / c.name);
    c.end(player, display);
    EXPECT_EQ(player.Wait(20s), std::optional<int>(c.code));
    const std::string text = ReadFile(trace);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    std::istringstream lines(text);
    std::string line, last;
    while (std::getline(lines, line)) {
      EXPECT_TRUE(line.front() == '{' && line.back() == '}') << line;
      last = line;
    }
    EXPECT_NE(
        last.find("\"kind\":\"life\",\"op\":\"Exit\",\"args\":[" + std::to_string(c.code) + "]"),
        std::string::npos)
        << last;
    for (const auto& left : std::filesystem::directory_iterator(temp)) {
      EXPECT_EQ(left.path().filename().string().rfind("ZARN", 0), std::string::npos) << left.path();
    }
  }
}

}  // namespace
}  // namespace zarn
