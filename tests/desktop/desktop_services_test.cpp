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
                  dir_ / "out.mp4", script},
                 {"ZARN_CHARACTERS=" + characters_, "QT_QPA_PLATFORM=offscreen"}, dir_.Path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("out.mp4: File too large"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.mp4"));
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
