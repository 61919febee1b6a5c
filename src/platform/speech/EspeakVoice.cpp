#include "platform/speech/EspeakVoice.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

EspeakVoice ChooseVoice(const SpeechVoice& voice) {
  EspeakVoice chosen;
  std::string name =
      IsEspeakVoiceName(voice.tts_mode_id) ? voice.tts_mode_id : EspeakLanguage(voice.language_id);
  if (const auto plus = name.find('+'); plus != std::string::npos) {
    chosen.variant = name.substr(plus + 1);
    name.resize(plus);
  } else if (voice.gender == 1) {
    chosen.variant = "f3";
  }
  chosen.language = std::move(name);
  // espeak's female variants are f1..f5.
  chosen.female = voice.gender == 1 || (chosen.variant.size() == 2 && chosen.variant[0] == 'f' &&
                                        chosen.variant[1] >= '1' && chosen.variant[1] <= '9');
  chosen.base_pitch_hz = chosen.female ? kFemaleBaseHz : kMaleBaseHz;
  chosen.rate = std::clamp(voice.words_per_minute, kEspeakMinRate, kEspeakMaxRate);
  chosen.pitch = EspeakPitch(voice.pitch_hz, chosen.base_pitch_hz);
  return chosen;
}

}  // namespace zarn
