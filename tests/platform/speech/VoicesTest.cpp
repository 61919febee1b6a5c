#include <flite/flite.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "charengine/SpeechTags.h"
#include "platform/speech/EspeakSpeech.h"
#include "platform/speech/EspeakVoice.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

extern "C" cst_voice* register_cmu_us_kal(const char* voxdir);

namespace zarn {
namespace {

TEST(VoiceMap, PicksTheEngineAndVoice) {
  const char* const kMap =
      "# voices\n"
      "Fennet = flite:awb rate=170   # Scottish\n"
      "{CA141FD0-AC7F-11D1-97A3-006008273000} = flite:slt\n"
      "merlin = espeak:en-gb+m3 pitch=90\n"
      "Broken = festival:kal\n"
      "Odd = flite:kal speed=3\n"
      "Pip=espeak\n"
      "no voice here\n";
  std::vector<std::string> errors;
  VoiceRules rules;
  rules.map = VoiceMap::Parse(kMap, errors);
  const std::vector<std::string> expected_errors = {
      "line 5: unknown voice 'festival:kal' (see --list-voices)",
      "line 6: unknown setting 'speed=3'",
      "line 8: expected NAME = ENGINE[:VOICE] [rate=WPM] [pitch=HZ]"};
  EXPECT_EQ(errors, expected_errors);

  using E = SpeechEngine;
  struct Case {
    const char* name;
    const char* mode_id;  // as the script set it
    const char* file_mode_id;
    const char* run_voice;  // --voice
    std::optional<E> only_engine;
    ChosenVoice expected;
  };
  const char* const kGuid = "{CA141FD0-AC7F-11D1-97A3-006008273000}";
  const Case cases[] = {
      {"Fennet", "", "", nullptr, {}, {E::kFlite, "awb", 170, {}}},
      {"FENNET", "", "", nullptr, {}, {E::kFlite, "awb", 170, {}}},
      {"Nobody", "", kGuid, nullptr, {}, {E::kFlite, "slt", {}, {}}},
      {"Nobody",
       "{ca141fd0-ac7f-11d1-97a3-006008273000}",
       "",
       nullptr,
       {},
       {E::kFlite, "slt", {}, {}}},
      {"Merlin", "", "", nullptr, {}, {E::kEspeak, "en-gb+m3", {}, 90}},
      {"Merlin", "", "", "flite:kal", {}, {E::kFlite, "kal", {}, 90}},
      {"Merlin", "", "", nullptr, E::kFlite, {E::kFlite, "", {}, 90}},
      {"Fennet", "", "", nullptr, E::kEspeak, {E::kEspeak, "", 170, {}}},
      {"Fennet", "", "", nullptr, E::kFlite, {E::kFlite, "awb", 170, {}}},
      {"Pip", "", "", nullptr, {}, {E::kEspeak, "", {}, {}}},
      {"Broken", "", "", nullptr, {}, {E::kEspeak, "", {}, {}}},
      {"Nobody", "", "", "flite", {}, {E::kFlite, "", {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.mode_id + (c.run_voice ? c.run_voice : ""));
    SpeechVoice voice;
    voice.name = c.name;
    voice.tts_mode_id = c.mode_id;
    voice.file_mode_id = c.file_mode_id;
    rules.run_voice = c.run_voice ? ParseChosenVoice(c.run_voice) : std::nullopt;
    rules.only_engine = c.only_engine;
    EXPECT_EQ(ChooseCharacterVoice(voice, rules), c.expected);
  }
  for (const char* bad : {"flite:xyz", "festival", "espeak:", "flite:", "espeak:<en>"}) {
    EXPECT_FALSE(ParseChosenVoice(bad)) << bad;
  }
}

// Characters get espeak-ng variants by gender and age, and different
// names mostly different variants.
TEST(EspeakVoice, VariantsFitTheVoiceBlock) {
  std::set<std::string> men;
  for (const char* name : {"Fennet", "Merlin", "Pip", "Rover", "Genie", "Robby", "Max", "Otto"}) {
    SpeechVoice voice;
    voice.name = name;
    voice.gender = 2;
    const EspeakVoice chosen = ChooseVoice(voice);
    EXPECT_EQ(chosen.variant[0], 'm') << name;
    men.insert(chosen.variant);
    voice.gender = 1;
    EXPECT_EQ(ChooseVoice(voice).variant[0], 'f') << name;
    EXPECT_TRUE(ChooseVoice(voice).female);
    voice.age = 70;
    EXPECT_EQ(ChooseVoice(voice).variant, "f1");
    voice.gender = 2;
    EXPECT_EQ(ChooseVoice(voice).variant, "m1");
  }
  EXPECT_GE(men.size(), 4u);
}

SpokenSpeech FliteSays(const std::string& tagged, const char* name = "slt", int wpm = 175) {
  SpeechVoice voice;
  voice.words_per_minute = wpm;
  return SpeakItems(ParseSpeechTags(tagged), voice, ChosenVoice{SpeechEngine::kFlite, name, {}, {}},
                    true);
}

double Rms(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (int16_t s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

TEST(FliteSpeech, WordsMarksPausesAndVolumeFollowTheTags) {
  const auto spoken = FliteSays(
      "Hello \\Mrk=1\\incomprehensibilities \\Map=\"doctor\"=\"Dr.\"\\ Smith \\Emp\\and "
      "co\\Mrk=2\\");
  const SpeechPlan& plan = spoken.plan;
  EXPECT_EQ(static_cast<int64_t>(spoken.audio.samples.size()), spoken.audio.sample_count);
  EXPECT_EQ(plan.total_ms, spoken.audio.TotalMs());
  ASSERT_EQ(plan.words.size(), 6u);
  for (size_t w = 1; w < plan.words.size(); ++w) {
    EXPECT_GT(plan.words[w].at_ms, plan.words[w - 1].at_ms) << w;
  }
  EXPECT_GT(plan.words[2].at_ms - plan.words[1].at_ms,
            2 * (plan.words[1].at_ms - plan.words[0].at_ms));
  ASSERT_EQ(plan.bookmarks.size(), 2u);
  EXPECT_NEAR(plan.bookmarks[0].at_ms, plan.words[1].at_ms, 30);
  EXPECT_GT(plan.bookmarks[1].at_ms, plan.words[5].at_ms);
  EXPECT_EQ(spoken.audio.events.back().mouth, MouthShape::kClosed);

  const int64_t plain = FliteSays("one two").plan.total_ms;
  // The pieces either side of a pause are said apart: compare with a pause of nothing.
  EXPECT_NEAR(FliteSays("one \\Pau=300\\\\Pau=300\\ two").plan.total_ms -
                  FliteSays("one \\Pau=0\\ two").plan.total_ms,
              600, 5);
  EXPECT_LT(FliteSays("one \\Pau=0\\ two").plan.total_ms - plain, 300);
  const double loud = Rms(FliteSays("one two").audio.samples);
  EXPECT_NEAR(Rms(FliteSays("\\Vol=16384\\one two").audio.samples), loud / 4, loud / 20);
  EXPECT_GT(FliteSays("\\Spd=100\\one two three four five").plan.total_ms,
            FliteSays("\\Spd=200\\one two three four five").plan.total_ms * 3 / 2);
}

// flite's phones move the mouth: each open vowel opens it at its start.
TEST(FliteSpeech, MouthsFollowThePhones) {
  std::map<MouthShape, int> seen;
  for (const SpeechEvent& e : FliteSays("Father had a bad map.").audio.events) {
    if (e.kind == SpeechEvent::Kind::kMouth) ++seen[e.mouth];
  }
  EXPECT_GE(seen[MouthShape::kWide4], 3);
  EXPECT_GE(seen[MouthShape::kClosed], 2);
}

// Speak lengths of a headless run with --tts-timing flite, in seconds.
std::vector<double> HeadlessSpeakLengths(const std::vector<std::string>& texts) {
  testing::TempFolder dir;
  std::string script =
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Show\n";
  for (const std::string& text : texts) script += "Pip.Speak \"" + text + "\"\n";
  const std::string path = dir.Write("speak.zrn", script);
  const std::string trace = dir / "trace.jsonl";
  const auto result =
      testing::RunProcess({ZARNPLAY_EXE, "--headless", "--idle-exit", "--tts-timing", "flite",
                           "--voice", "flite:kal", "--trace", trace, path},
                          {"ZARN_CHARACTERS=" + testing::TestCharacterFolder(),
                           "ZARN_INSTANCE_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.Path()},
                          dir.Path());
  EXPECT_EQ(result.exit_code, 0) << result.err;
  std::map<int64_t, double> started;
  std::vector<double> lengths;
  for (const auto& line : testing::ParseTrace(testing::ReadFile(trace))) {
    if (line.op == "RequestStart" && line.req) started[*line.req] = line.t;
    // Show is request 1, the Speaks the next ones.
    if (line.op == "RequestComplete" && line.req && *line.req > 1 &&
        *line.req <= static_cast<int64_t>(texts.size()) + 1) {
      lengths.push_back(line.t - started[*line.req]);
    }
  }
  return lengths;
}

TEST(FliteSpeech, HeadlessTimingIsFlitesOwn) {
  const std::string text =
      "The quick brown fox jumps over the lazy dog while seven busy bakers quietly prepare fresh "
      "bread for the morning market.";
  const auto lengths = HeadlessSpeakLengths(
      {text, "\\Spd=80\\" + text, "\\Spd=240\\" + text, "\\Spd=80\\\\Rst\\" + text, text});
  ASSERT_EQ(lengths.size(), 5u);
  flite_init();
  cst_wave* wave = flite_text_to_wave(text.c_str(), register_cmu_us_kal(nullptr));
  const double own = static_cast<double>(wave->num_samples) / wave->sample_rate;
  delete_wave(wave);
  std::printf("flite's own %.2f s; headless %.2f s, at 80 wpm %.2f s, at 240 wpm %.2f s\n", own,
              lengths[0], lengths[1], lengths[2]);
  EXPECT_NEAR(lengths[0], own, 0.35 * own);
  // Pip speaks at 160 words per minute: \Spd\ changes that as it asks
  // (the first Speak also plays Pip's speaking state).
  const double base = lengths[4];
  EXPECT_NEAR(lengths[1] / base, 160.0 / 80, 0.1 * 2);
  EXPECT_NEAR(lengths[2] / base, 160.0 / 240, 0.1 * 2 / 3);
  EXPECT_NEAR(lengths[3], base, 0.01);
}

}  // namespace
}  // namespace zarn
