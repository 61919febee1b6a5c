#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "backend/MciErrors.h"
#include "backend/MciInterpreter.h"
#include "support/mci_test_support.h"

namespace zarn {
namespace {

using namespace testing_media;

// Records what the interpreter asks of it; plays nothing.
struct FakeLog {
  std::vector<std::string> calls;
  int destroyed = 0;
};

class FakeDevice : public MciDevice {
 public:
  FakeDevice(FakeLog& log, int64_t length) : log_(log), length_(length) {}
  ~FakeDevice() override { ++log_.destroyed; }
  MciMode Mode() override { return mode_; }
  std::string_view TimeFormat() const override { return "milliseconds"; }
  int64_t Length() override { return length_; }
  int64_t Position() override { return position_; }
  int32_t Play(int64_t from, int64_t to) override {
    log_.calls.push_back("play " + std::to_string(from) + " " + std::to_string(to));
    mode_ = MciMode::kPlaying;
    position_ = to;
    return 0;
  }
  int32_t Stop() override {
    log_.calls.push_back("stop");
    mode_ = MciMode::kStopped;
    return 0;
  }
  int32_t Pause() override {
    mode_ = MciMode::kPaused;
    return 0;
  }
  int32_t Resume() override {
    mode_ = MciMode::kPlaying;
    return 0;
  }
  int32_t Seek(int64_t to) override {
    log_.calls.push_back("seek " + std::to_string(to));
    position_ = to;
    mode_ = MciMode::kStopped;
    return 0;
  }

 private:
  FakeLog& log_;
  int64_t length_;
  MciMode mode_ = MciMode::kStopped;
  int64_t position_ = 0;
};

class MciInterpreterTest : public ::testing::Test {
 protected:
  MciInterpreterTest() {
    wav_ = dir_.Write("a sound.wav", "x");
    mid_ = dir_.Write("song.MID", "x");
    bad_ = dir_.Write("bad.wav", "x");
    txt_ = dir_.Write("notes.txt", "x");
    for (const char* type : {"waveaudio", "sequencer"}) {
      mci_.RegisterDeviceType(type, [this](const std::string& element) -> MciOpenResult {
        opened_.push_back(element);
        if (element == bad_) return {nullptr, mcierr::kInvalidFile};
        return {std::make_unique<FakeDevice>(log_, 1000), 0};
      });
    }
  }

  struct Step {
    std::string command;
    int32_t code;
    std::string reply;
  };
  void Run(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.command);
      std::string reply = "stale";
      EXPECT_EQ(mci_.SendString(step.command, reply), step.code);
      EXPECT_EQ(reply, step.reply);
    }
  }

  TempDir dir_;
  std::string wav_, mid_, bad_, txt_;
  FakeLog log_;
  std::vector<std::string> opened_;
  MciInterpreter mci_;
};

TEST_F(MciInterpreterTest, PlaysThroughTheSlotAndRefusesAClosedAlias) {
  Run({
      {"status media mode", 263, ""},
      {"play media", 263, ""},
      {"stop media", 263, ""},
      {"close media", 263, ""},
      {"open \"" + wav_ + "\" type waveaudio alias media", 0, "1"},
      {"status media mode", 0, "stopped"},
      {"status media length", 0, "1000"},
      {"status media time format", 0, "milliseconds"},
      {"play media", 0, ""},
      {"Status MEDIA Mode", 0, "playing"},
      {"stop media", 0, ""},
      {"status media mode", 0, "stopped"},
      {"play media from 1", 0, ""},
      {"close media", 0, ""},
      {"close media", 263, ""},
      {"status media mode", 263, ""},
  });
  EXPECT_EQ(opened_, std::vector<std::string>{wav_});
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"play 0 1000", "stop", "play 1 1000"}));
  EXPECT_EQ(log_.destroyed, 1);
}

TEST_F(MciInterpreterTest, OpenAnswersWithTheCodeOfWhatIsWrong) {
  Run({
      {"open \"" + dir_.Path() + "/missing.wav\" type waveaudio alias media", 275, ""},
      {"open \"" + dir_.Path() + "/no/such/dir.wav\" type waveaudio alias media", 275, ""},
      {"open \"" + dir_.Path() + "\" type waveaudio alias media", 296, ""},
      {"open \"" + bad_ + "\" type waveaudio alias media", 296, ""},
      {"open \"" + wav_ + "\" type avivideo alias media", 306, ""},
      {"open \"" + txt_ + "\" alias media", 281, ""},
      {"open \"" + wav_ + " type waveaudio alias media", 294, ""},
      {"open new type waveaudio", 299, ""},
      {"open new alias rec", 287, ""},
      {"open waveaudio", 304, ""},
      {"open \"" + wav_ + "\" type waveaudio alias", 269, ""},
      {"open \"" + wav_ + "\" type waveaudio alias m colour red", 259, ""},
      {"open", 292, ""},
      {"open \"" + wav_ + "\" type waveaudio alias media", 0, "1"},
      {"open \"" + mid_ + "\" type sequencer alias MEDIA", 289, ""},
      // Without a type the extension decides, in any letter case.
      {"open \"" + mid_ + "\" alias song", 0, "2"},
      {"close media", 0, ""},
      {"open sequencer!" + mid_ + " alias tune", 0, "1"},
      // Without an alias the element itself is the name.
      {"open \"" + wav_ + "\" type waveaudio", 0, "3"},
      {"open \"" + wav_ + "\" type waveaudio", 265, ""},
      {"status \"" + wav_ + "\" mode", 0, "stopped"},
      {"close all", 0, ""},
      {"close all", 0, ""},
      {"status song mode", 263, ""},
  });
  EXPECT_EQ(mci_.OpenDeviceCount(), 0u);
}

TEST_F(MciInterpreterTest, ChecksTheWordsOfTheOtherCommands) {
  Run({
      {"", 267, ""},
      {"   ", 267, ""},
      {"jump media", 261, ""},
      {"play", 292, ""},
      {"open \"" + wav_ + "\" type waveaudio alias media wait", 0, "1"},
      {"play media from", 273, ""},
      {"play media from x1", 270, ""},
      {"play media from 1001", 282, ""},
      {"play media to 1001", 282, ""},
      {"play media from 600 to 500", 282, ""},
      {"play media from 1 from 2", 295, ""},
      {"play media reverse", 259, ""},
      {"play media from 1000", 0, ""},
      {"play media from 100 to 200 notify", 0, ""},
      {"status media", 273, ""},
      {"status media colour", 259, ""},
      {"status media position wait", 0, "200"},
      {"seek media", 273, ""},
      {"seek media to 2000", 282, ""},
      {"seek media to start", 0, ""},
      {"seek media to end", 0, ""},
      {"seek media to 250", 0, ""},
      {"pause media", 0, ""},
      {"status media mode", 0, "paused"},
      {"resume media", 0, ""},
      {"status media mode", 0, "playing"},
      {"stop media now", 259, ""},
      {"stop all", 0, ""},
      {"status media mode", 0, "stopped"},
      {"play all", 279, ""},
  });
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"play 1000 1000", "play 100 200", "seek 0",
                                                  "seek 1000", "seek 250", "stop"}));
}

TEST(MciErrorText, EveryDocumentedCodeHasItsOwnSentence) {
  MciInterpreter mci;
  const int32_t codes[] = {257, 259, 261, 262, 263, 264, 265, 266, 267, 268, 273,
                           274, 275, 276, 277, 281, 282, 289, 294, 296, 302, 306};
  std::vector<std::string> seen;
  for (int32_t code : codes) {
    SCOPED_TRACE(code);
    const std::string text = mci.ErrorText(code);
    EXPECT_EQ(text.find("Unknown"), std::string::npos);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), text), 0) << text;
    seen.push_back(text);
  }
  EXPECT_NE(mci.ErrorText(999).find("999"), std::string::npos);
}

}  // namespace
}  // namespace zarn
