#include <signal.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "desktop/desktop_fixture.h"
#include "support/TraceReader.h"

// Services that fail under a running script: a download server that dies
// mid-transfer, a file-size limit while downloading or recording, the
// character's file taken away while it plays.

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::WaitUntil;
using namespace std::chrono_literals;

// Serves its folder on 127.0.0.1; a name with "die" in it gets a third of
// its bytes, then the server is gone.
constexpr char kServer[] = R"(import http.server, os, sys
class H(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = open(os.path.join(sys.argv[1], self.path.lstrip('/')), 'rb').read()
        self.send_response(200)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        if 'die' in self.path:
            self.wfile.write(body[:len(body) // 3])
            self.wfile.flush()
            os._exit(0)
        self.wfile.write(body)
s = http.server.HTTPServer(('127.0.0.1', 0), H)
print(s.server_address[1], flush=True)
s.serve_forever()
)";

std::vector<std::string> TempLeft(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST_F(DesktopTest, AFailedDownloadWarnsOnceAndLeavesNothing) {
  std::ofstream(dir_ / "die.wav", std::ios::binary)
      << ReadFile(ZARN_SOURCE_DIR "/examples/media/chime.wav");
  std::ofstream(dir_ / "big.wav", std::ios::binary) << std::string(300000, 'x');
  const std::string server_py = dir_.Write("server.py", kServer, false);
  struct Case {
    const char* name;
    const char* file;
    std::vector<std::string> limit;  // prlimit arguments
    const char* message;
  };
  const Case cases[] = {
      {"server-dies", "die.wav", {}, "transfer closed"},
      {"size-limit", "big.wav", {"/usr/bin/prlimit", "--fsize=100000", "--"}, "File too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess server({"/usr/bin/python3", server_py, dir_.Path()}, {}, dir_ / "port");
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(dir_ / "port").find('\n') != std::string::npos; }));
    const std::string url =
        "http://127.0.0.1:" + std::to_string(std::stoi(ReadFile(dir_ / "port"))) + "/" + c.file;
    const std::string script =
        dir_.Write("get.zrn",
                   "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
                   "Pip.Show\nPLAYWAVE " +
                       url + "\nPip.Speak \"After it\"\n");
    const std::string temp = dir_ / (std::string(c.name) + "-tmp");
    std::filesystem::create_directories(temp);
    std::vector<std::string> args = c.limit;
    for (const std::string& arg : {std::string(ZARNPLAY_EXE), std::string("--headless"),
                                   std::string("--trace"), Trace(c.name), script}) {
      args.push_back(arg);
    }
    const auto run =
        RunProcess(args, {"ZARN_CHARACTERS=" + characters_, "TMPDIR=" + temp}, dir_.Path());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const auto records = ParseTrace(ReadFile(Trace(c.name)));
    const auto boxes = Select(records, "ui", "MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].Arg(0).find(c.message), std::string::npos) << boxes[0].Arg(0);
    for (const auto& mci : Select(records, "media", "mci")) {
      EXPECT_EQ(mci.Arg(0).find("ZARN"), std::string::npos) << mci.raw;
    }
    EXPECT_EQ(Select(records, "call", "Speak").size(), 1u);
    EXPECT_EQ(TempLeft(temp), std::vector<std::string>{});
  }
}

TEST_F(DesktopTest, ARecordingPastTheFileSizeLimitSaysSoAndLeavesNoFile) {
  const std::string script =
      dir_.Write("long.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
                 "Pip.Show\nPip.Speak \"A recording long enough to pass the limit, with words and "
                 "words and words enough for ten seconds of video and more.\"\n");
  const auto run =
      RunProcess({"/usr/bin/prlimit", "--fsize=100000", "--", ZARNPLAY_EXE, "--record",
                  dir_ / "out.mp4", "--trace", Trace("record"), script},
                 {"ZARN_CHARACTERS=" + characters_, "QT_QPA_PLATFORM=offscreen"}, dir_.Path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("out.mp4: File too large"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.mp4"));
  // The trace ends with the code the process ended with.
  const auto records = ParseTrace(ReadFile(Trace("record")));
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().kind + " " + records.back().op + " " + records.back().Arg(0),
            "life Exit 1");
}

// The loaded character keeps playing whatever happens to its file.
TEST_F(DesktopTest, ACharacterPlaysOnWhenItsFileGoesAway) {
  const std::string script = dir_.Write(
      "plays.zrn",
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Show\n"
      "Pip.Speak \"Wait for it, wait for it, and a few more words.\"\nPip.Play \"Greet\"\n"
      "Pip.Speak \"Still here.\"\nPip.Hide\n");
  const std::string file = characters_ + "/Pip.acs";
  const std::string original = ReadFile(file);
  struct Case {
    const char* name;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"removed", [&] { std::filesystem::remove(file); }},
      {"overwritten", [&] { std::ofstream(file, std::ios::binary) << std::string(64, '\0'); }},
      {"replaced",
       [&] {
         std::ofstream(file + ".new", std::ios::binary) << "not a character";
         std::filesystem::rename(file + ".new", file);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(file, std::ios::binary) << original;
    auto player = Start(c.name, {script});
    ASSERT_TRUE(
        WaitUntil([&] { return ReadFile(Trace(c.name)).find("\"Show\"") != std::string::npos; }));
    c.change();
    EXPECT_EQ(player->Wait(30s), std::optional<int>(0));
    const auto records = ParseTrace(ReadFile(Trace(c.name)));
    bool greeted = false;
    for (const auto& anim : Select(records, "anim", "Start")) greeted |= anim.Arg(0) == "Greet";
    EXPECT_TRUE(greeted);
    for (const auto& done : Select(records, "event", "RequestComplete")) {
      EXPECT_EQ(done.status, 0) << done.raw;
    }
    EXPECT_TRUE(Select(records, "ui", "MessageBox").empty());
  }
}

}  // namespace
}  // namespace zarn

namespace zarn {
namespace {

// A PulseAudio server with one null sink, in a runtime folder of its own.
class SoundServer {
 public:
  SoundServer(const std::string& runtime, const std::string& log)
      : runtime_(runtime),
        server_({"/usr/bin/pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                 "-n", "--load=module-null-sink sink_name=nullsink",
                 "--load=module-native-protocol-unix"},
                // Not on the display's session bus, where the test display's own server is.
                {{"XDG_RUNTIME_DIR", runtime},
                 {"DISPLAY", ""},
                 {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}},
                log) {
    WaitUntil([&] { return Pactl("info").find("nullsink") != std::string::npos; }, 10s);
  }
  std::string Pactl(const std::string& args) const {
    return testing::Shell("XDG_RUNTIME_DIR=" + runtime_ + " pactl " + args + " 2>&1");
  }
  void Kill() { server_.Kill(); }

 private:
  std::string runtime_;
  ChildProcess server_;
};

// Seconds of the 16-bit mono 8 kHz recording `raw` that are not silent.
double VoicedSeconds(const std::string& raw) {
  constexpr size_t kWindow = 400;
  size_t voiced = 0;
  const auto* samples = reinterpret_cast<const int16_t*>(raw.data());
  const size_t count = raw.size() / 2;
  for (size_t at = 0; at + kWindow <= count; at += kWindow) {
    int peak = 0;
    for (size_t i = at; i < at + kWindow; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
    voiced += peak > 500 ? 1 : 0;
  }
  return static_cast<double>(voiced * kWindow) / 8000.0;
}

TEST_F(DesktopTest, SpeechAndSoundAreHeardAgainOnceTheSoundServerIsBack) {
  const std::string runtime = dir_ / "runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  const std::string script = dir_.Write(
      "restart.zrn",
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Bookmarks]\n1=\n"
      "[BookmarkScript:1]\nPLAYWAVE " ZARN_SOURCE_DIR
      "/examples/media/chime.wav\n[Script]\n"
      "Pip.Show\nPip.Speak \"This is said while the sound server goes away and comes back, "
      "so it runs on for a while.\"\nPip.Speak \"\\mrk=1\\And this comes after the server is "
      "back, with a chime beside it, for a few seconds more.\"\n");
  auto first = std::make_unique<SoundServer>(runtime, dir_ / "pulse1.log");
  auto env = Environment();
  env["XDG_RUNTIME_DIR"] = runtime;
  ChildProcess player({ZARNPLAY_EXE, "--trace", Trace("player"), script}, env, dir_ / "player.out");
  // The first sentence is playing when the server goes.
  ASSERT_TRUE(WaitUntil([&] {
    return first->Pactl("list short sink-inputs").find("protocol-native") != std::string::npos;
  })) << ReadFile(dir_ / "player.out");
  first->Kill();
  first.reset();
  SoundServer second(runtime, dir_ / "pulse2.log");
  const std::string raw = dir_ / "heard.raw";
  ChildProcess parec({"/usr/bin/parec", "--device=nullsink.monitor", "--raw", "--format=s16le",
                      "--rate=8000", "--channels=1", raw},
                     {{"XDG_RUNTIME_DIR", runtime}}, dir_ / "parec.log");
  EXPECT_EQ(player.Wait(60s), std::optional<int>(0));
  std::this_thread::sleep_for(500ms);
  kill(parec.Pid(), SIGTERM);
  parec.Wait(5s);
  EXPECT_GT(VoicedSeconds(ReadFile(raw)), 2.0) << ReadFile(dir_ / "player.out");
}

}  // namespace
}  // namespace zarn
