#include "platform/speech/EspeakVoice.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "platform/speech/FliteVoices.h"

namespace zarn {
namespace {

struct LanguageName {
  int32_t id;
  const char* name;
};

// Whole identifiers first, so that a region picks its own dialect.
constexpr LanguageName kByLanguageId[] = {
    {0x0409, "en-us"}, {0x0809, "en-gb"},  {0x0C09, "en-gb"}, {0x1009, "en-us"}, {0x0407, "de"},
    {0x040C, "fr-fr"}, {0x080C, "fr-be"},  {0x100C, "fr-ch"}, {0x0410, "it"},    {0x0C0A, "es"},
    {0x040A, "es"},    {0x080A, "es-419"}, {0x0413, "nl"},    {0x0416, "pt-br"}, {0x0816, "pt"},
    {0x0804, "cmn"},   {0x0404, "yue"},    {0x0C04, "yue"},
};

// By primary language (the low ten bits).
constexpr LanguageName kByPrimary[] = {
    {0x01, "ar"}, {0x02, "bg"}, {0x03, "ca"}, {0x04, "cmn"}, {0x05, "cs"}, {0x06, "da"},
    {0x07, "de"}, {0x08, "el"}, {0x09, "en"}, {0x0A, "es"},  {0x0B, "fi"}, {0x0C, "fr"},
    {0x0D, "he"}, {0x0E, "hu"}, {0x0F, "is"}, {0x10, "it"},  {0x11, "ja"}, {0x12, "ko"},
    {0x13, "nl"}, {0x14, "nb"}, {0x15, "pl"}, {0x16, "pt"},  {0x18, "ro"}, {0x19, "ru"},
    {0x1A, "hr"}, {0x1B, "sk"}, {0x1D, "sv"}, {0x1E, "th"},  {0x1F, "tr"}, {0x22, "uk"},
    {0x24, "sl"}, {0x25, "et"}, {0x26, "lv"}, {0x27, "lt"},  {0x2A, "vi"}, {0x2D, "eu"},
};

// What espeak-ng's voices sound at pitch 50, measured on their speech.
constexpr int kMaleBaseHz = 100;
constexpr int kFemaleBaseHz = 180;

}  // namespace

std::string EspeakLanguage(int32_t language_id) {
  for (const auto& entry : kByLanguageId) {
    if (entry.id == language_id) return entry.name;
  }
  for (const auto& entry : kByPrimary) {
    if (entry.id == (language_id & 0x3FF)) return entry.name;
  }
  return "en";
}

bool IsEspeakVoiceName(const std::string& mode_id) {
  if (mode_id.empty() || mode_id.size() > 40) return false;
  return std::all_of(mode_id.begin(), mode_id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '+' || c == '_';
  });
}

int EspeakPitch(int64_t hz, int base_hz) {
  if (hz <= 0 || base_hz <= 0) return 50;
  // Measured: 25 steps raise the voice by about a fifth (95 per octave).
  const double octaves = std::log2(static_cast<double>(hz) / base_hz);
  return static_cast<int>(std::clamp<long>(std::lround(50 + 95 * octaves), 0, 100));
}

namespace {

// Variants for a voice block: elderly, children and adults of each gender
// (its age in years, as character files give it).
std::string DefaultVariant(const SpeechVoice& voice) {
  const bool female = voice.gender == 1;
  // Without a name to pick by, the language's own voice (f3 for women).
  if (voice.name.empty() && voice.age == 0) return female ? "f3" : "";
  if (voice.age >= 60) return female ? "f1" : "m1";
  if (voice.age > 0 && voice.age < 14) return "f4";
  static const char* const kWomen[] = {"f2", "f3", "f5"};
  static const char* const kMen[] = {"m2", "m3", "m4", "m5", "m6", "m7"};
  const uint32_t pick = NameHash(voice.name);
  return female ? kWomen[pick % std::size(kWomen)] : kMen[pick % std::size(kMen)];
}

void UseName(EspeakVoice& chosen, std::string name) {
  chosen.variant.clear();
  if (const auto plus = name.find('+'); plus != std::string::npos) {
    chosen.variant = name.substr(plus + 1);
    name.resize(plus);
  }
  chosen.language = std::move(name);
}

// espeak's female variants are f1..f5.
bool FemaleVariant(const std::string& variant) {
  return variant.size() == 2 && variant[0] == 'f' && variant[1] >= '1' && variant[1] <= '9';
}

}  // namespace

EspeakVoice ChooseVoice(const SpeechVoice& voice) {
  EspeakVoice chosen;
  UseName(chosen, IsEspeakVoiceName(voice.tts_mode_id) ? voice.tts_mode_id
                                                       : EspeakLanguage(voice.language_id));
  if (chosen.variant.empty()) chosen.variant = DefaultVariant(voice);
  chosen.female = voice.gender == 1 || FemaleVariant(chosen.variant);
  chosen.base_pitch_hz = chosen.female ? kFemaleBaseHz : kMaleBaseHz;
  chosen.rate = std::clamp(voice.words_per_minute, kEspeakMinRate, kEspeakMaxRate);
  chosen.pitch = EspeakPitch(voice.pitch_hz, chosen.base_pitch_hz);
  return chosen;
}

EspeakVoice EspeakVoiceFor(const SpeechVoice& voice, const ChosenVoice& chosen) {
  SpeechVoice wanted = voice;
  if (chosen.rate) wanted.words_per_minute = *chosen.rate;
  if (chosen.pitch_hz) wanted.pitch_hz = *chosen.pitch_hz;
  EspeakVoice espeak = ChooseVoice(wanted);
  if (!chosen.name.empty()) {
    UseName(espeak, chosen.name);
    espeak.female = FemaleVariant(espeak.variant) || (espeak.variant.empty() && voice.gender == 1);
    espeak.base_pitch_hz = espeak.female ? kFemaleBaseHz : kMaleBaseHz;
    espeak.pitch = EspeakPitch(wanted.pitch_hz, espeak.base_pitch_hz);
  }
  return espeak;
}

}  // namespace zarn
