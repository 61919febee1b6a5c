#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charengine/SpeechTiming.h"

namespace zarn {

enum class SpeechEngine { kEspeak, kFlite };

// A voice as a user names it: "flite:slt", "espeak:de+f2", "espeak".
struct ChosenVoice {
  SpeechEngine engine = SpeechEngine::kEspeak;
  std::string name;             // empty: the engine's pick for the character
  std::optional<int> rate;      // words per minute, instead of the character's
  std::optional<int> pitch_hz;  // instead of the character's
  bool operator==(const ChosenVoice&) const = default;
};

// "ENGINE[:VOICE]"; nothing when the engine is unknown or the voice is not
// one of its names.
std::optional<ChosenVoice> ParseChosenVoice(std::string_view text);
std::string EngineName(SpeechEngine engine);

// The user's voices.conf: one line a character,
//   KEY = ENGINE[:VOICE] [rate=WPM] [pitch=HZ]
// KEY is a character's name or a TTS mode id (any letter case); '#' starts
// a comment.
class VoiceMap {
 public:
  // Lines that cannot be read are skipped, each with a message in `errors`.
  static VoiceMap Parse(std::string_view text, std::vector<std::string>& errors);
  const ChosenVoice* Find(const SpeechVoice& voice) const;

 private:
  std::vector<std::pair<std::string, ChosenVoice>> entries_;
};

// Where a run's voices come from.
struct VoiceRules {
  VoiceMap map;
  std::optional<ChosenVoice> run_voice;  // --voice
  // Every character speaks with this engine (--tts-timing espeak|flite):
  // its voice from the map or --voice when they name this engine.
  std::optional<SpeechEngine> only_engine;
};

// --voice, else the map, else the character's file: espeak-ng, in a
// variant fitting its gender and age, picked by its name so that two
// characters seldom sound the same.
ChosenVoice ChooseCharacterVoice(const SpeechVoice& voice, const VoiceRules& rules);

// The character's language as flite and espeak-ng name it: "en", "de", ...
std::string VoiceLanguage(const SpeechVoice& voice);

}  // namespace zarn
