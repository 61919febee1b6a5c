#include <gtest/gtest.h>

#include "platform/speech/EspeakVoice.h"
#include "platform/speech/LoudnessMouths.h"
#include "platform/speech/Mouths.h"

namespace zarn {
namespace {

TEST(EspeakVoice, ChosenFromModeLanguageAndCharacter) {
  struct Case {
    int32_t language_id;
    const char* mode_id;
    int gender;
    int pitch_hz;
    int wpm;
    const char* name;
    int pitch;
    int rate;
  };
  const Case cases[] = {
      {0x0409, "", 0, 0, 150, "en-us", 50, 150},
      {0x0809, "", 2, 240, 175, "en-gb", 100, 175},
      {0x0407, "", 1, 200, 500, "de", 64, 450},
      {0x040C, "", 1, 100, 40, "fr-fr", 0, 80},
      {0x0C0A, "", 0, 0, 150, "es", 50, 150},
      {0x0416, "", 0, 0, 150, "pt-br", 50, 150},
      {0x0413, "", 0, 0, 150, "nl", 50, 150},
      {0x0410, "", 0, 0, 150, "it", 50, 150},
      {0x0807, "", 0, 0, 150, "de", 50, 150},  // Swiss German: by primary language
      {0x7777, "", 0, 0, 150, "en", 50, 150},
      {0x0409, "de+m2", 1, 0, 150, "de+m2", 50, 150},
      {0x0409, "{CA141FD0-AC7F-11D1-97A3-006008273000}", 0, 0, 150, "en-us", 50, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SpeechVoice voice;
    voice.language_id = c.language_id;
    voice.tts_mode_id = c.mode_id;
    voice.gender = c.gender;
    voice.pitch_hz = c.pitch_hz;
    voice.words_per_minute = c.wpm;
    const EspeakVoice chosen = ChooseVoice(voice);
    // The variant is the character's pick unless the mode id names one.
    const std::string name = c.name;
    EXPECT_EQ(chosen.language, name.substr(0, name.find('+')));
    if (name.find('+') != std::string::npos) {
      EXPECT_EQ(chosen.Name(), name);
    }
    EXPECT_EQ(chosen.pitch, c.pitch);
    EXPECT_EQ(chosen.rate, c.rate);
  }
}

TEST(Mouths, PhonemesPickShapes) {
  const std::pair<const char*, MouthShape> cases[] = {
      {"", MouthShape::kClosed},    {"_:", MouthShape::kClosed}, {"m", MouthShape::kClosed},
      {"ˈa", MouthShape::kWide4},   {"aɪ", MouthShape::kWide4},  {"ə", MouthShape::kWide3},
      {"t", MouthShape::kWide2},    {"tʃ", MouthShape::kMedium}, {"dʒ", MouthShape::kMedium},
      {"ˌuː", MouthShape::kNarrow}, {"f", MouthShape::kClosed},  {"v", MouthShape::kClosed},
      {"ʃ", MouthShape::kMedium},   {"θ", MouthShape::kWide1},   {"Q", MouthShape::kWide2},
  };
  for (const auto& [ipa, shape] : cases) {
    SCOPED_TRACE(ipa);
    EXPECT_EQ(MouthForPhoneme(ipa), shape);
  }
}

}  // namespace
// Quiet stays shut, louder opens wider; a change of shape only where the
// loudness changes, timed on the 22050 Hz clock whatever the file's rate.
TEST(Mouths, LoudnessOpensTheMouth) {
  std::vector<int16_t> samples;
  for (int16_t level : {0, 1000, 12000, 12000, 0}) {
    for (int i = 0; i < 441; ++i) samples.push_back(i % 2 ? level : -level);  // 40 ms at 11025
  }
  const auto events = LoudnessMouths(samples, 1, 11025);
  std::vector<std::pair<int64_t, MouthShape>> got;
  for (const auto& e : events) got.emplace_back(e.sample, e.mouth);
  const std::vector<std::pair<int64_t, MouthShape>> expected = {{0, MouthShape::kClosed},
                                                                {882, MouthShape::kWide1},
                                                                {1764, MouthShape::kWide4},
                                                                {3528, MouthShape::kClosed}};
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(LoudnessMouths(samples, 0, 11025).empty());
}

}  // namespace zarn
