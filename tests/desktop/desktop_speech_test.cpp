#include <fstream>
#include <sstream>

#include "desktop/desktop_fixture.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::DesktopTest;
using testing::ParseTrace;
using testing::RunProcess;
using testing::Shell;
using testing::WaitUntil;
using namespace std::chrono_literals;

const std::string kSpeech =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Show\n"
    "Pip.Speak \"Good morning \\Mrk=1\\ everybody, it is a fine day for a little walk "
    "\\Mrk=2\\ in the park.\"\n";

std::vector<double> BookmarkTimes(const std::string& trace_text) {
  std::vector<double> times;
  for (const auto& r : ParseTrace(trace_text)) {
    if (r.kind == "event" && r.op == "Bookmark") times.push_back(r.t);
  }
  return times;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The voice is heard (a stream reaches the sound server while Pip speaks)
// and the bookmarks fall where the voice puts its marks: the same gap as a
// headless run that takes that engine's timing, within one audio buffer;
// with espeak-ng and with flite.
TEST_F(DesktopTest, SpeechIsHeardAndBookmarksKeepToTheVoice) {
  ASSERT_NE(Shell("pactl info 2>/dev/null").find("nullsink"), std::string::npos)
      << "with_display.sh starts a PulseAudio null sink";
  const std::string script = dir_.Write("speech.zrn", kSpeech);
  for (const std::string voice : {"espeak", "flite:kal"}) {
    SCOPED_TRACE(voice);
    const std::string name = "speech-" + voice.substr(0, voice.find(':'));
    auto player = Start(name, {"--voice", voice, script});
    bool heard = false;
    WaitUntil(
        [&] {
          if (!Shell("pactl list short sink-inputs").empty()) heard = true;
          return heard || !player->Running();
        },
        30s);
    ASSERT_TRUE(player->Wait(30s).has_value());
    EXPECT_TRUE(heard);
    const auto desktop = BookmarkTimes(ReadAll(Trace(name)));

    const auto headless = RunProcess(
        {ZARNPLAY_EXE, "--headless", "--idle-exit", "--tts-timing",
         voice.substr(0, voice.find(':')), "--voice", voice, "--trace", dir_ / "headless.jsonl",
         script},
        {"ZARN_CHARACTERS=" + characters_, "ZARN_INSTANCE_DIR=" + dir_ / "registry"}, dir_.Path());
    ASSERT_EQ(headless.exit_code, 0) << headless.err;
    const auto voiced = BookmarkTimes(ReadAll(dir_ / "headless.jsonl"));
    ASSERT_EQ(desktop.size(), 2u);
    ASSERT_EQ(voiced.size(), 2u);
    EXPECT_GT(voiced[1] - voiced[0], 1.0);
    EXPECT_NEAR(desktop[1] - desktop[0], voiced[1] - voiced[0], 0.1);
  }
}

}  // namespace
}  // namespace zarn
