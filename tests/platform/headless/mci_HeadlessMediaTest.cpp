#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "backend/MciErrors.h"
#include "backend/MciInterpreter.h"
#include "backend/Trace.h"
#include "support/mci_test_support.h"
#include "platform/common/MediaCommandService.h"
#include "platform/common/ClockMediaDevices.h"

// The file layouts below name only the fields that differ from a plain file.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zarn {
namespace {

using namespace testing_media;

class HeadlessMediaTest : public ::testing::Test {
 protected:
  HeadlessMediaTest() { RegisterClockMediaDevices(mci_, clock_); }

  int32_t Send(const std::string& command) {
    std::string reply;
    return mci_.SendString(command, reply);
  }
  std::string Status(const std::string& item) {
    std::string reply;
    const int32_t code = mci_.SendString("status media " + item, reply);
    return code == 0 ? reply : "error " + std::to_string(code);
  }
  int32_t Open(const std::string& path, const std::string& type) {
    std::string reply;
    return mci_.SendString("open \"" + path + "\" type " + type + " alias media", reply);
  }

  TempDir dir_;
  FakeScheduler clock_;
  MciInterpreter mci_;
};

TEST_F(HeadlessMediaTest, PlaysUntilTheItemWouldHaveEnded) {
  // 8000 bytes of 8-bit mono at 8000 Hz: one second.
  ASSERT_EQ(Open(dir_.Write("one second.wav", MakeWave({})), "waveaudio"), 0);
  EXPECT_EQ(Status("mode"), "stopped");
  clock_.RunUntil(100);
  ASSERT_EQ(Send("play media"), 0);
  clock_.RunUntil(350);
  EXPECT_EQ(Status("mode"), "playing");
  EXPECT_EQ(Status("position"), "250");
  clock_.RunUntil(1099);
  EXPECT_EQ(Status("mode"), "playing");
  clock_.RunUntil(1100);
  EXPECT_EQ(Status("mode"), "stopped");
  EXPECT_EQ(Status("position"), "1000");

  // At the end, a plain play plays nothing; from 1 starts again.
  ASSERT_EQ(Send("play media"), 0);
  EXPECT_EQ(Status("mode"), "stopped");
  ASSERT_EQ(Send("play media from 1"), 0);
  clock_.RunUntil(2098);
  EXPECT_EQ(Status("mode"), "playing");
  clock_.RunUntil(2099);
  EXPECT_EQ(Status("mode"), "stopped");
}

TEST_F(HeadlessMediaTest, EndsOnTimeEvenWhenThePumpHasNotRun) {
  ASSERT_EQ(Open(dir_.Write("a.wav", MakeWave({})), "waveaudio"), 0);
  ASSERT_EQ(Send("play media"), 0);
  clock_.JumpTo(1000);
  EXPECT_EQ(Status("mode"), "stopped");
  EXPECT_EQ(Status("position"), "1000");
}

TEST_F(HeadlessMediaTest, StopPauseAndResumeKeepThePosition) {
  ASSERT_EQ(Open(dir_.Write("a.wav", MakeWave({})), "waveaudio"), 0);
  ASSERT_EQ(Send("play media"), 0);
  clock_.RunUntil(400);
  ASSERT_EQ(Send("stop media"), 0);
  EXPECT_EQ(Status("mode"), "stopped");
  EXPECT_EQ(clock_.Pending(), 0u);
  clock_.RunUntil(5000);
  EXPECT_EQ(Status("position"), "400");
  ASSERT_EQ(Send("play media"), 0);  // goes on from 400: 600 ms left
  clock_.RunUntil(5300);
  ASSERT_EQ(Send("pause media"), 0);
  EXPECT_EQ(Status("mode"), "paused");
  clock_.RunUntil(9000);
  EXPECT_EQ(Status("position"), "700");
  ASSERT_EQ(Send("resume media"), 0);
  clock_.RunUntil(9299);
  EXPECT_EQ(Status("mode"), "playing");
  clock_.RunUntil(9300);
  EXPECT_EQ(Status("mode"), "stopped");
  // Restarting while playing replaces the play.
  ASSERT_EQ(Send("play media from 0"), 0);
  clock_.RunUntil(9500);
  ASSERT_EQ(Send("play media from 0"), 0);
  clock_.RunUntil(10499);
  EXPECT_EQ(Status("mode"), "playing");
  clock_.RunUntil(10500);
  EXPECT_EQ(Status("mode"), "stopped");
}

TEST_F(HeadlessMediaTest, VideoCountsFramesAndMidiFollowsItsTempo) {
  ASSERT_EQ(Open(dir_.Write("clip.avi", MakeAvi({})), "avivideo"), 0);  // 250 x 40 ms
  EXPECT_EQ(Status("time format"), "frames");
  EXPECT_EQ(Status("length"), "250");
  ASSERT_EQ(Send("play media from 1"), 0);  // frame 1 is the second frame
  clock_.RunUntil(1000);
  EXPECT_EQ(Status("position"), "26");
  clock_.RunUntil(9959);
  EXPECT_EQ(Status("mode"), "playing");
  clock_.RunUntil(9960);
  EXPECT_EQ(Status("mode"), "stopped");
  ASSERT_EQ(Send("close media"), 0);

  Bytes track;
  PutTempo(track, 0, 250000);
  PutEndOfTrack(track, 960);  // two beats of 0.25 s
  ASSERT_EQ(Open(dir_.Write("song.mid", MakeMidi(0, 480, {track})), "sequencer"), 0);
  EXPECT_EQ(Status("length"), "500");
  EXPECT_EQ(Status("time format"), "milliseconds");
}

TEST_F(HeadlessMediaTest, RefusesFilesThatAreNotWhatTheirTypeSays) {
  const Bytes wave = MakeWave({});
  Bytes truncated = wave;
  truncated.resize(wave.size() - 10);
  Bytes bad_track = MakeMidi(0, 480, {Bytes{0x00, 0xFF, 0x2F, 0x00}});
  bad_track[21] = 0x40;  // track length 64, but only 4 bytes follow
  struct Case {
    const char* name;
    Bytes bytes;
    const char* type;
    int32_t code;
  };
  const Case cases[] = {
      {"truncated.wav", truncated, "waveaudio", mcierr::kInvalidFile},
      {"empty.wav", {}, "waveaudio", mcierr::kInvalidFile},
      {"empty.mid", {}, "sequencer", mcierr::kInvalidFile},
      {"badtrack.mid", bad_track, "sequencer", mcierr::kInvalidFile},
      {"text.avi", Bytes(100, 'x'), "avivideo", mcierr::kInvalidFile},
      {"wave.mid", wave, "sequencer", mcierr::kInvalidFile},
      {"wave.avi", wave, "avivideo", mcierr::kInvalidFile},
      {"video.wav", MakeAvi({}), "waveaudio", mcierr::kInvalidFile},
      {"wave.mpg", wave, "mpegvideo", 0},
      {"video.mpg", MakeAvi({}), "mpegvideo", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Open(dir_.Write(c.name, c.bytes), c.type), c.code);
    Send("close media");
    EXPECT_EQ(mci_.OpenDeviceCount(), 0u);
  }
}

TEST_F(HeadlessMediaTest, ClosingCancelsTheEndTimer) {
  ASSERT_EQ(Open(dir_.Write("a.wav", MakeWave({})), "waveaudio"), 0);
  ASSERT_EQ(Send("play media"), 0);
  EXPECT_EQ(clock_.Pending(), 1u);
  ASSERT_EQ(Send("close media"), 0);
  EXPECT_EQ(clock_.Pending(), 0u);
  clock_.RunUntil(2000);  // nothing left to run on a freed device
}

TEST(MediaCommandService, TracesEveryCommandWithItsResult) {
  TempDir dir;
  const std::string wav = dir.Write("a b.wav", MakeWave({}));
  FakeScheduler clock;
  Trace trace([&clock] { return clock.Now(); });
  std::ostringstream json;
  trace.SetJsonStream(&json);
  MediaCommandService port(clock, trace);

  std::string reply;
  EXPECT_EQ(port.SendString("close media", reply), 263);
  EXPECT_EQ(port.SendString("open \"" + wav + "\" type waveaudio alias media", reply), 0);
  clock.RunUntil(1500);
  EXPECT_EQ(port.SendString("status media mode", reply), 0);
  EXPECT_EQ(reply, "stopped");

  std::istringstream lines(json.str());
  std::vector<std::string> records;
  for (std::string line; std::getline(lines, line);) records.push_back(line);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0],
            "{\"t\":0.000,\"kind\":\"media\",\"op\":\"mci\",\"args\":[\"close media\"],"
            "\"result\":263,\"error\":\"" +
                port.ErrorText(263) + "\"}");
  EXPECT_EQ(records[1], "{\"t\":0.000,\"kind\":\"media\",\"op\":\"mci\",\"args\":[\"open \\\"" +
                            wav + "\\\" type waveaudio alias media\"],\"result\":0}");
  EXPECT_EQ(records[2],
            "{\"t\":1.500,\"kind\":\"media\",\"op\":\"mci\",\"args\":[\"status media mode\"],"
            "\"result\":0}");
}

}  // namespace
}  // namespace zarn
