#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "charengine/SpeechTags.h"
#include "charengine/SpeechTiming.h"
#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {

struct SpokenSpeech {
  SynthesizedSpeech audio;  // word events carry their balloon word
  SpeechPlan plan;          // words, bookmarks and length as espeak-ng speaks them
};

// Speaks a Speak's text in the character's voice; throws SpeechError.
// `last` is what \Lst\ repeats when the items still hold it.
SpokenSpeech SpeakItems(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                        bool keep_audio = true, const std::vector<SpeechItem>* last = nullptr);

// For the engine: Speak takes espeak-ng's times (no audio kept); Think and
// sound files keep the words-per-minute model, as nothing is synthesised
// for them. Should espeak-ng fail, it says so once on stderr and the model
// times the speech.
// With `keep`, Speak's audio is kept and handed over before the plan goes
// back, so what is heard is what was timed.
SpeechPlanner MakeEspeakPlanner(std::function<void(SpokenSpeech)> keep = {});

// Speeches timed with their audio kept, until the engine starts them: what
// is heard is what was timed.
class KeptSpeeches {
 public:
  // A planner for the engine that keeps here (null when espeak-ng cannot
  // start).
  SpeechPlanner Planner();
  // The speech timed for `balloon_text`. The engine starts speeches in the
  // order they were timed: those before it were stopped before they
  // started, and are dropped.
  std::optional<SpokenSpeech> Take(const std::string& balloon_text);

 private:
  std::deque<SpokenSpeech> kept_;
};

}  // namespace zarn
