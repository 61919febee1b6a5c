#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "VideoReader.h"
#include "charengine/SpeechTags.h"
#include "platform/speech/EspeakSpeech.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::ReadVideoFile;
using testing::RunProcess;

// Fennet (128 x 128) at (100, 80) says one sentence and leaves.
constexpr char kScript[] =
    "[ZARN Script]\nVersion=7.0\n\n[Characters]\nFennet=Fennet.acs\n\n[Script]\n"
    "Fennet.MoveTo 100, 80, 0\nFennet.Show\n"
    "Fennet.Speak \"Hello there, this is a recording.\"\nFennet.Hide\n";

struct Recorded {
  std::string path;
  testing::ReadVideo video;
  double speech_start = -1;
  double speech_end = -1;
  double bookmark = -1;
  double end = -1;
};

// Records the script and reads the video and the trace back.
Recorded Record(const testing::TempFolder& dir, const std::string& name,
                std::vector<std::string> options, const std::string& script = kScript,
                const std::vector<std::string>& env = {}) {
  Recorded out;
  out.path = dir / name;
  const std::string trace = dir / (name + ".jsonl");
  std::vector<std::string> args = {ZARNPLAY_EXE, "--record", out.path, "--trace", trace};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(dir.Write("talk.zrn", script));
  std::vector<std::string> environment = {
      "ZARN_CHARACTERS=" + std::string(ZARN_BINARY_DIR) + "/characters", "TMPDIR=" + dir.Path(),
      "ZARN_INSTANCE_DIR=" + dir.Path()};
  environment.insert(environment.end(), env.begin(), env.end());
  const auto result = RunProcess(args, environment, dir.Path(), 120);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  for (const auto& line : testing::ParseTrace(testing::ReadFile(trace))) {
    // The Speak is request 3: it starts and completes around the speech.
    if (line.op == "RequestStart" && line.req == 3) out.speech_start = line.t;
    if (line.op == "RequestComplete" && line.req == 3) out.speech_end = line.t;
    if (line.op == "Bookmark" && out.bookmark < 0) out.bookmark = line.t;
    out.end = line.t;
  }
  out.video = ReadVideoFile(out.path);
  EXPECT_EQ(out.video.error, "");
  return out;
}

bool Near(const uint8_t* pixel, int r, int g, int b, int tolerance = 14) {
  return std::abs(pixel[0] - r) <= tolerance && std::abs(pixel[1] - g) <= tolerance &&
         std::abs(pixel[2] - b) <= tolerance;
}

// Pixels of the balloon's back colour (#FAFAFF) and of its text above the
// character, where Fennet's balloon goes.
std::pair<int, int> BalloonPixels(const testing::ReadVideo& video, const testing::Picture& p) {
  int back = 0, text = 0;
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < video.width; ++x) {
      const uint8_t* px = video.Pixel(p, x, y);
      if (Near(px, 0xFA, 0xFA, 0xFF)) ++back;
      if (px[3] > 200 && px[0] < 60 && px[1] < 60 && px[2] < 60) ++text;
    }
  }
  return {back, text};
}

TEST(RecordTest, Mp4HoldsThePerformanceFrameByFrame) {
  testing::TempFolder dir;
  const Recorded rec = Record(dir, "talk.mp4", {"--screen", "480x320", "--fps", "25"});
  const testing::ReadVideo& video = rec.video;
  ASSERT_GT(rec.speech_end, rec.speech_start);
  ASSERT_GT(rec.speech_start, 0);
  EXPECT_EQ(video.video_codec, "h264");
  EXPECT_EQ(video.width, 480);
  EXPECT_EQ(video.height, 320);
  // Whole frames cover the performance: no more, no fewer.
  EXPECT_EQ(video.pictures.size(), static_cast<size_t>(std::ceil(rec.end * 25 - 1e-9)));
  EXPECT_NEAR(video.duration, rec.end, 1.0 / 25);
  EXPECT_NEAR(video.pictures.back().t, (video.pictures.size() - 1) / 25.0, 1e-3);

  const double mid = (rec.speech_start + rec.speech_end) / 2;
  const testing::Picture* speaking = video.At(mid);
  ASSERT_NE(speaking, nullptr);
  // The character where it was moved, the balloon above it with words in it.
  EXPECT_FALSE(Near(video.Pixel(*speaking, 164, 144), 0x2e, 0x4d, 0x6b));
  EXPECT_TRUE(Near(video.Pixel(*speaking, 300, 144), 0x2e, 0x4d, 0x6b));
  const auto [back, text] = BalloonPixels(video, *speaking);
  EXPECT_GT(back, 4000);
  EXPECT_GT(text, 20);
  // No balloon before the speech; after Hide, no character.
  EXPECT_LT(BalloonPixels(video, *video.At(rec.speech_start - 0.2)).first, 50);
  EXPECT_TRUE(Near(video.Pixel(video.pictures.back(), 164, 144), 0x2e, 0x4d, 0x6b));

  // The voice is heard while the balloon speaks, and not after it.
  ASSERT_GT(video.sample_rate, 0);
  const double voice = video.Loudness(rec.speech_start + 0.2, rec.speech_end - 0.2);
  EXPECT_GT(voice, 0.02);
  EXPECT_LT(video.Loudness(rec.speech_end + 0.02, rec.speech_end + 0.12), voice / 4);
}

// Pixels of Fennet's open mouth (its inside colour) around where its mouth is.
int MouthPixels(const testing::ReadVideo& video, const testing::Picture& p) {
  int open = 0;
  for (int y = 80 + 60; y < 80 + 120; ++y) {
    for (int x = 100 + 34; x < 100 + 94; ++x) open += Near(video.Pixel(p, x, y), 128, 36, 64, 40);
  }
  return open;
}

// With a flite voice from the user's map the recording hears flite where
// the balloon shows, and every open vowel opens the mouth within one frame
// of the phone's start.
TEST(RecordTest, FliteVoiceIsHeardAndTheMouthFollowsItsPhones) {
  testing::TempFolder dir;
  const std::string text = "Father had a bad cat, and that was that.";
  std::filesystem::create_directories(dir / "config/zarnplay");
  dir.Write("config/zarnplay/voices.conf", "Fennet = flite:kal rate=175\n", false);
  const int fps = 25;
  const Recorded rec = Record(
      dir, "flite.mp4", {"--screen", "480x320", "--fps", std::to_string(fps)},
      std::string("[ZARN Script]\nVersion=7.0\n\n[Characters]\nFennet=Fennet.acs\n\n[Script]\n"
                  "Fennet.MoveTo 100, 80, 0\nFennet.Show\nFennet.Speak \"") +
          text + "\"\nFennet.Hide\n",
      {"XDG_CONFIG_HOME=" + (dir / "config")});
  const testing::ReadVideo& video = rec.video;
  ASSERT_GT(rec.speech_end, rec.speech_start);
  ASSERT_GT(video.sample_rate, 0);

  // The same speech from flite, for its phones and where its sound starts.
  SpeechVoice voice;
  voice.words_per_minute = 175;
  const SpokenSpeech spoken = SpeakItems(ParseSpeechTags(text), voice,
                                         ChosenVoice{SpeechEngine::kFlite, "kal", 175, {}}, true);
  const double rate = SynthesizedSpeech::kSampleRate;
  constexpr float kLoud = 0.1f;
  size_t first = 0;
  while (first < spoken.audio.samples.size() &&
         std::abs(spoken.audio.samples[first]) < kLoud * 32768) {
    ++first;
  }
  auto heard = static_cast<size_t>(rec.speech_start * video.sample_rate);
  while (heard < video.sound.size() && std::abs(video.sound[heard]) < kLoud) ++heard;
  ASSERT_LT(heard, video.sound.size());
  const double speech_start = heard / static_cast<double>(video.sample_rate) - first / rate;
  const double speech_end = speech_start + spoken.audio.sample_count / rate;
  EXPECT_NEAR(speech_end, rec.speech_end, 0.3);

  // Heard while the balloon shows, quiet once it is done.
  const double mid = (speech_start + speech_end) / 2;
  EXPECT_GT(BalloonPixels(video, *video.At(mid)).first, 4000);
  const double loud = video.Loudness(speech_start + 0.2, speech_end - 0.2);
  EXPECT_GT(loud, 0.02);
  EXPECT_LT(video.Loudness(rec.speech_end + 0.02, rec.speech_end + 0.12), loud / 4);
  // Shut before it speaks (the smile's edge blurs into a few pixels).
  const int shut = MouthPixels(video, *video.At(speech_start - 0.1));
  EXPECT_LT(shut, 20);

  const auto& events = spoken.audio.events;
  int vowels = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    const SpeechEvent& e = events[i];
    if (e.kind != SpeechEvent::Kind::kMouth ||
        (e.mouth != MouthShape::kWide3 && e.mouth != MouthShape::kWide4)) {
      continue;
    }
    size_t next = i + 1;
    while (next < events.size() && events[next].kind != SpeechEvent::Kind::kMouth) ++next;
    const double start = speech_start + e.sample / rate;
    const double end =
        speech_start + (next < events.size() ? events[next].sample : e.sample) / rate;
    // Long enough for a frame to fall inside it after the first frame time.
    if (end - start < 2.0 / fps) continue;
    ++vowels;
    SCOPED_TRACE(start);
    EXPECT_GT(MouthPixels(video, *video.At(start + 1.0 / fps)), shut + 25);
  }
  EXPECT_GE(vowels, 4);
}

TEST(RecordTest, WebmIsSeeThroughAroundTheCharacter) {
  testing::TempFolder dir;
  const Recorded rec = Record(dir, "talk.webm", {"--screen", "320x240", "--fps", "10"});
  const testing::ReadVideo& video = rec.video;
  EXPECT_EQ(video.video_codec, "vp9");
  EXPECT_TRUE(video.alpha_tagged);
  EXPECT_NEAR(video.duration, rec.end, 0.1);
  const testing::Picture* speaking = video.At((rec.speech_start + rec.speech_end) / 2);
  ASSERT_NE(speaking, nullptr);
  EXPECT_LT(video.Pixel(*speaking, 300, 230)[3], 16);
  EXPECT_GT(video.Pixel(*speaking, 164, 144)[3], 240);
  EXPECT_GT(video.Loudness(rec.speech_start + 0.2, rec.speech_end - 0.2), 0.02);
}

// A sentence stopped by its bookmark's script falls silent and loses its
// balloon in the recording as on the screen.
TEST(RecordTest, AStoppedSentenceEndsThere) {
  testing::TempFolder dir;
  const Recorded rec =
      Record(dir, "stopped.mp4", {"--screen", "480x320", "--fps", "25"},
             "[ZARN Script]\nVersion=7.0\n[Characters]\nFennet=Fennet.acs\n[Bookmarks]\n1=\n"
             "[BookmarkScript:1]\nFennet.StopAll\n[Script]\nFennet.MoveTo 100, 80, 0\nFennet.Show\n"
             "Fennet.Speak \"Hello there \\Mrk=1\\ and this sentence would go on for a long while "
             "yet, word after word after word.\"\nFennet.Hide\n");
  const testing::ReadVideo& video = rec.video;
  ASSERT_GT(rec.bookmark, rec.speech_start);
  // The stop ends the script, and the program hides Fennet on its way
  // out: its Hide sounds 0.15 s after the stop.
  ASSERT_GT(rec.end, rec.bookmark + 0.3);
  const double voice = video.Loudness(rec.speech_start + 0.1, rec.bookmark);
  EXPECT_GT(voice, 0.02);
  EXPECT_LT(video.Loudness(rec.bookmark + 0.03, rec.bookmark + 0.13), voice / 10);
  EXPECT_LT(BalloonPixels(video, *video.At(rec.bookmark + 0.15)).first, 50);
}

// The same script gives the same file, byte for byte.
TEST(RecordTest, RecordingsAreRepeatable) {
  testing::TempFolder dir;
  const std::vector<std::string> small = {"--screen", "320x240", "--fps", "10"};
  const Recorded first = Record(dir, "one.mp4", small);
  const Recorded second = Record(dir, "two.mp4", small);
  const std::string a = testing::ReadFile(first.path);
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == testing::ReadFile(second.path));
}

// A narrated slideshow: the slide fills the frame while the show runs.
TEST(RecordTest, SlidesAreDrawnUnderTheCharacters) {
  testing::TempFolder dir;
  const std::string video = dir / "slides.mp4";
  const std::string trace = dir / "slides.jsonl";
  const auto result = RunProcess(
      {ZARNPLAY_EXE, "--record", video, "--screen", "320x180", "--fps", "5", "--trace", trace,
       std::string(ZARN_SOURCE_DIR) + "/examples/slideshow.zrn"},
      {"ZARN_CHARACTERS=" + std::string(ZARN_BINARY_DIR) + "/characters", "TMPDIR=" + dir.Path(),
       "ZARN_INSTANCE_DIR=" + dir.Path(), "XDG_CACHE_HOME=" + dir.Path()},
      dir.Path(), 180);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  double first_slide = -1;
  for (const auto& line : testing::ParseTrace(testing::ReadFile(trace))) {
    if (line.op == "NextSlide" && first_slide < 0) first_slide = line.t;
  }
  ASSERT_GE(first_slide, 0);
  const testing::ReadVideo read = ReadVideoFile(video);
  ASSERT_EQ(read.error, "");
  // The slides' own background (#E8F1FB) in a corner, not the recording's.
  EXPECT_TRUE(Near(read.Pixel(*read.At(first_slide + 0.4), 4, 4), 0xe8, 0xf1, 0xfb));
}

// On a terminal the performance is measured first, so that the bar fills
// to a percentage; the measuring run leaves nothing behind.
TEST(RecordTest, OnATerminalTheBarFillsToTheMeasuredLength) {
  testing::TempFolder dir;
  const std::string script = dir.Write("talk.zrn", kScript);
  const std::string command = std::string("ZARN_CHARACTERS=") + ZARN_BINARY_DIR +
                              "/characters TMPDIR=" + dir.Path() +
                              " ZARN_INSTANCE_DIR=" + dir.Path() + " " + ZARNPLAY_EXE +
                              " --record " + (dir / "t.mp4") + " --screen 320x240 " + script;
  // `script` gives the program a terminal of its own.
  const auto result =
      RunProcess({"/usr/bin/script", "-q", "-e", "-c", command, "/dev/null"}, {}, dir.Path(), 120);
  EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("[##############################] 100% 00:03"), std::string::npos)
      << result.out;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    EXPECT_EQ(entry.path().filename().string().rfind("zarnplay-measure", 0), std::string::npos);
  }
}

TEST(RecordTest, BadRequestsFailBeforeAnythingPlays) {
  testing::TempFolder dir;
  const std::string script = dir.Write("talk.zrn", kScript);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--record", dir / "talk.avi", script}, "ending in .mp4, .webm or .gif"},
      {{"--record", dir / "none/talk.mp4", script}, "cannot write"},
      {{"--record", dir / "odd.mp4", "--screen", "321x240", script}, "must be even"},
      {{"--record", dir / "huge.webm", "--screen", "20000x20000", script}, "at most 7680x4320"},
      {{"--record", dir / "fast.mp4", "--fps", "0", script}, "--fps takes"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {ZARNPLAY_EXE};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto result = RunProcess(args, {"ZARN_INSTANCE_DIR=" + dir.Path()}, dir.Path());
    EXPECT_EQ(result.exit_code, 2) << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace zarn
