#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "charengine/SpeechTags.h"
#include "platform/speech/EspeakSpeech.h"
#include "platform/speech/SsmlTranslator.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::TempFolder;

SpokenSpeech Speak(const std::string& tagged, int wpm = 150) {
  SpeechVoice voice;
  voice.words_per_minute = wpm;
  return SpeakItems(ParseSpeechTags(tagged), voice);
}

const char* const kTwentyWords =
    "The quick brown fox jumps over the lazy dog while seven busy bakers quietly "
    "prepare fresh bread for the morning market.";

TEST(EspeakSpeech, SpeedTagChangesTheLength) {
  const auto start = std::chrono::steady_clock::now();
  const auto slow = Speak(std::string("\\Spd=80\\") + kTwentyWords);
  const auto took = std::chrono::steady_clock::now() - start;
  const auto fast = Speak(std::string("\\Spd=200\\") + kTwentyWords);
  std::printf(
      "20 words: %lld ms of audio at 80 wpm in %lld us, %lld ms at 200 wpm\n",
      static_cast<long long>(slow.audio.TotalMs()),
      static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()),
      static_cast<long long>(fast.audio.TotalMs()));
  EXPECT_GT(fast.audio.TotalMs(), 2000);
  EXPECT_GT(slow.audio.TotalMs(), fast.audio.TotalMs() * 3 / 2);
}

TEST(EspeakSpeech, PausesAddUpEvenFirst) {
  const int64_t plain = Speak("word").plan.total_ms;
  EXPECT_NEAR(Speak("\\Pau=700\\\\Pau=700\\word").plan.total_ms - plain, 1400, 50);
  EXPECT_NEAR(
      Speak("one \\Pau=300\\\\Pau=300\\ two").plan.total_ms - Speak("one two").plan.total_ms, 600,
      50);
}

TEST(EspeakSpeech, WordsMarksAndMouthsFollowTheAudio) {
  const auto spoken =
      Speak("Hello \\Mrk=1\\incomprehensibilities \\Map=\"doctor\"=\"Dr.\"\\ Smith & co\\Mrk=2\\");
  const SpeechPlan& plan = spoken.plan;
  EXPECT_EQ(static_cast<int64_t>(spoken.audio.samples.size()), spoken.audio.sample_count);
  EXPECT_EQ(plan.total_ms, spoken.audio.TotalMs());
  ASSERT_EQ(plan.words.size(), 6u);  // Hello incomprehensibilities Dr. Smith & co
  for (size_t w = 1; w < plan.words.size(); ++w) {
    if (plan.words[w].text != "&") {
      EXPECT_GT(plan.words[w].at_ms, plan.words[w - 1].at_ms) << w;
    }
  }
  // The long word takes far longer than the short ones around it.
  EXPECT_GT(plan.words[2].at_ms - plan.words[1].at_ms, 3 * plan.words[1].at_ms);
  ASSERT_EQ(plan.bookmarks.size(), 2u);
  EXPECT_EQ(plan.bookmarks[0].at_ms, plan.words[1].at_ms);
  EXPECT_GT(plan.bookmarks[1].at_ms, plan.words[5].at_ms);

  int32_t last_word = -1;
  std::set<MouthShape> mouths;
  int64_t last_sample = 0;
  for (const SpeechEvent& e : spoken.audio.events) {
    EXPECT_GE(e.sample, last_sample);
    last_sample = e.sample;
    if (e.kind == SpeechEvent::Kind::kWord) {
      EXPECT_GE(e.word, last_word);
      last_word = e.word;
    }
    if (e.kind == SpeechEvent::Kind::kMouth) mouths.insert(e.mouth);
  }
  EXPECT_EQ(last_word, 5);
  EXPECT_GE(mouths.size(), 5u);
  EXPECT_EQ(spoken.audio.events.back().mouth, MouthShape::kClosed);
}

// Bookmarks in a headless trace with espeak-ng's timing fall where
// espeak-ng puts the marks, and the model's times would not.
TEST(EspeakSpeech, TraceBookmarksFallOnEspeakMarks) {
  const std::string text =
      "\\Mrk=1\\Hello, \\Mrk=2\\incomprehensibilities \\Mrk=3\\of a tiny \\Mrk=4\\cat.";
  TempFolder dir;
  const auto path = dir.Write("speak.zrn",
                              "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
                              "Pip.Show True\nPip.Speak \"" +
                                  text + "\"\nPip.Think \"\\Mrk=5\\one two \\Mrk=6\\three\"\n");
  SpeechVoice seen;
  const SpeechPlanner espeak = MakeEspeakPlanner();
  HarnessOptions options;
  options.command_line = path;
  options.speech_planner = [&](const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                               SpeechMode mode, int32_t request) {
    if (mode == SpeechMode::kSpeak) seen = voice;
    return espeak(items, voice, mode, request);
  };
  Harness h(options);
  h.StartAndRun();
  // What the engine knows of Pip's voice reaches the planner.
  EXPECT_EQ(seen.words_per_minute, 160);
  EXPECT_EQ(seen.pitch_hz, 120);
  EXPECT_EQ(seen.gender, 1);
  EXPECT_EQ(seen.language_id, 0x0409);
  std::vector<double> at(7, -1);
  for (const auto& r : h.Records()) {
    if (r.kind == "event" && r.op == "Bookmark") at[std::stoi(r.Arg(0))] = r.t * 1000;
  }

  const auto items = ParseSpeechTags(text);
  const EspeakVoice voice = ChooseVoice(seen);
  const auto audio =
      EspeakSynthesizer::Instance().Synthesize(TranslateSpeech(items, voice).ssml, voice, false);
  std::vector<double> mark_ms(5, -1);
  for (const SpeechEvent& e : audio.events) {
    if (e.kind == SpeechEvent::Kind::kMark) mark_ms[e.mark] = e.sample * 1000.0 / 22050;
  }
  const SpeechPlan model = PlanSpeech(items, seen.words_per_minute, SpeechMode::kSpeak);
  const double one_buffer_ms = kEspeakBufferMs;
  ASSERT_GE(at[1], 0);
  double model_off = 0;
  for (int id = 2; id <= 4; ++id) {
    SCOPED_TRACE(id);
    ASSERT_GE(mark_ms[id], 0);
    EXPECT_NEAR(at[id] - at[1], mark_ms[id] - mark_ms[1], one_buffer_ms);
    model_off = std::max(model_off, std::abs(static_cast<double>(model.bookmarks[id - 1].at_ms) -
                                             (mark_ms[id] - mark_ms[1])));
  }
  EXPECT_GT(model_off, one_buffer_ms);
  // Think speaks nothing and keeps the words-per-minute pace.
  EXPECT_NEAR(at[6] - at[5], 2 * 60000.0 / seen.words_per_minute, 1);
}

}  // namespace
}  // namespace zarn
