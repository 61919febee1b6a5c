#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "charengine/SpeechTags.h"
#include "charengine/SpeechTiming.h"
#include "platform/speech/EspeakSynthesizer.h"
#include "platform/speech/VoiceChoice.h"

namespace zarn {

struct SpokenSpeech {
  SynthesizedSpeech audio;  // word events carry their balloon word
  SpeechPlan plan;          // words, bookmarks and length as the voice speaks them
};

// Speaks a Speak's text in the character's voice; throws SpeechError.
// `last` is what \Lst\ repeats when the items still hold it. Without a
// chosen voice: espeak-ng's pick for the character.
SpokenSpeech SpeakItems(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                        bool keep_audio = true, const std::vector<SpeechItem>* last = nullptr);
SpokenSpeech SpeakItems(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                        const ChosenVoice& chosen, bool keep_audio,
                        const std::vector<SpeechItem>* last = nullptr);

// For the engine: Speak takes the voice's times (no audio kept); Think and
// sound files keep the words-per-minute model, as nothing is synthesised
// for them. Should the voice fail, it says so once on stderr and the model
// times the speech. Each character's voice follows `rules`; a language
// flite lacks is spoken by espeak-ng, said once on stderr.
// With `keep`, Speak's audio is kept and handed over with its request
// before the plan goes back, so what is heard is what was timed.
SpeechPlanner MakeVoicePlanner(VoiceRules rules,
                               std::function<void(int32_t, SpokenSpeech)> keep = {});
// espeak-ng's pick for every character.
inline SpeechPlanner MakeEspeakPlanner() { return MakeVoicePlanner({}); }

// Speeches timed with their audio kept, until the engine starts them: what
// is heard is what was timed.
class KeptSpeeches {
 public:
  // A planner for the engine that keeps here.
  SpeechPlanner Planner(VoiceRules rules);
  // The speech timed for the engine's `request`. The engine starts
  // speeches in the order they were timed: those before it were stopped
  // before they started, and are dropped.
  std::optional<SpokenSpeech> Take(int32_t request);

 private:
  std::deque<std::pair<int32_t, SpokenSpeech>> kept_;
};

}  // namespace zarn
