#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "charengine/SpeechTags.h"

namespace zarn {

// When things happen while a text is spoken, without a speech engine: each
// word takes 60000 / wpm milliseconds.
struct SpeechPlan {
  struct Mark {
    int64_t at_ms = 0;
    int32_t id = 0;
  };
  struct Word {
    int64_t at_ms = 0;
    std::string text;  // as the balloon shows it
  };
  int64_t total_ms = 0;
  std::vector<Mark> bookmarks;
  std::vector<Word> words;
  std::string balloon_text;
};

enum class SpeechMode {
  kSpeak,      // every tag applies
  kThink,      // thought balloon: only bookmarks apply
  kSoundFile,  // a sound file speaks: only bookmarks and Map apply
};

inline constexpr int kMinWordsPerMinute = 50;
inline constexpr int kMaxWordsPerMinute = 500;
inline constexpr int64_t kMaxPauseMs = 65535;

// `base_wpm` is where \Rst\ returns to. Out-of-range \Spd\ and \Pau\ values
// are clamped; invalid tags have no effect (bookmark ids are checked by the
// caller, which knows which ones the service refuses).
SpeechPlan PlanSpeech(const std::vector<SpeechItem>& items, int base_wpm, SpeechMode mode);

// Fits a plan onto a sound file of `duration_ms`: the words keep their
// share of the time, so bookmarks fall where their words are.
void StretchSpeech(SpeechPlan& plan, int64_t duration_ms);

// Who speaks: what a speech engine needs to choose and set up a voice.
struct SpeechVoice {
  int words_per_minute = 150;
  int32_t language_id = 0x0409;
  std::string tts_mode_id;   // as the program set it; empty when never set
  int gender = 0;            // 0 neutral, 1 female, 2 male (as character files store it)
  int pitch_hz = 0;          // the character's pitch; 0 when its file gives none
  int age = 0;               // the voice block's age in years; 0 when not given
  std::string name;          // the character's name, as its file gives it
  std::string file_mode_id;  // the file's TTS mode id ("{...}"); empty when none
};

// Times a Speak or Think; PlanSpeech with the voice's words per minute when
// no speech engine is asked. `request` is the engine's id of the request
// timed: the render sink is given the same one when that speech starts.
using SpeechPlanner =
    std::function<SpeechPlan(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                             SpeechMode mode, int32_t request)>;

// Whitespace-separated words of a text.
std::vector<std::string> SplitWords(const std::string& text);

}  // namespace zarn
