#pragma once

#include <cstdint>
#include <string>

#include "charengine/SpeechTiming.h"
#include "platform/speech/VoiceChoice.h"

namespace zarn {

// espeak-ng's limits for its rate parameter (words per minute).
inline constexpr int kEspeakMinRate = 80;
inline constexpr int kEspeakMaxRate = 450;

// What espeak-ng is told before it speaks: a voice name (language plus an
// optional "+variant") and the base parameters tags are relative to.
struct EspeakVoice {
  std::string language = "en-us";
  std::string variant;      // "f3" for a female voice; empty for the language's own
  int rate = 175;           // words per minute, within espeak's limits
  int pitch = 50;           // espeak's 0..100 scale, 50 its normal
  int base_pitch_hz = 100;  // the Hz that pitch 50 stands for in this voice
  bool female = false;
  std::string Name() const { return variant.empty() ? language : language + "+" + variant; }
};

// The espeak-ng language for a Windows language identifier: by the whole
// identifier, then by its primary language; "en" when neither is known.
std::string EspeakLanguage(int32_t language_id);

// A TTSModeID that names an espeak-ng voice ("de", "en-gb+f2") is taken as
// it is; vendor mode ids ("{...}") are not ours and pick nothing.
bool IsEspeakVoiceName(const std::string& mode_id);

// The voice for a character: the language from TTSModeID when it names one,
// else from LanguageID; a variant that fits the voice block's gender and
// age, picked by the character's name among those that fit; rate and
// pitch from the character's voice.
EspeakVoice ChooseVoice(const SpeechVoice& voice);

// The same with what the user chose: a voice name ("de+f2") instead of
// the pick, and rate and pitch instead of the character's.
EspeakVoice EspeakVoiceFor(const SpeechVoice& voice, const ChosenVoice& chosen);

// Hz on espeak's 0..100 pitch scale, which reaches about half an octave
// either side of the base.
int EspeakPitch(int64_t hz, int base_hz);

}  // namespace zarn
