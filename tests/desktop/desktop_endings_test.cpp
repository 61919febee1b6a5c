#include <signal.h>

#include <regex>

#include "desktop/desktop_fixture.h"

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
  struct Case {
    const char* name;
    std::function<void(ChildProcess&, PrivateDisplay&)> end;
    int code;
  };
  const auto report_shown = [](const std::string& display) {
    return WaitUntil([&] {
      return !Shell("DISPLAY=" + display + " xdotool search --onlyvisible --name '^ZARN 7'")
                  .empty();
    });
  };
  const Case cases[] = {
      {"sigterm", [](ChildProcess& p, PrivateDisplay&) { kill(p.Pid(), SIGTERM); }, 0},
      {"sigint", [](ChildProcess& p, PrivateDisplay&) { kill(p.Pid(), SIGINT); }, 0},
      {"display-lost", [](ChildProcess&, PrivateDisplay& display) { display.Kill(); }, 1},
      {"close-program",
       [&](ChildProcess&, PrivateDisplay& display) {
         ASSERT_TRUE(report_shown(display.Name()));
         // Close Program: 6060, 3900, 1440, 435 twips from the report's corner.
         Shell("DISPLAY=" + display.Name() + " xdotool search --onlyvisible --name '^ZARN 7' " +
               "mousemove --window %1 452 274 click 1");
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrivateDisplay display(dir_ / (std::string(c.name) + ".xvfb"));
    ASSERT_FALSE(display.Name().empty());
    auto env = Environment();
    env["DISPLAY"] = display.Name();
    const std::string trace = Trace(c.name);
    ChildProcess player({ZARNPLAY_EXE, "--trace", trace, failing}, env, dir_ / c.name);
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
  }
}

}  // namespace
}  // namespace zarn
