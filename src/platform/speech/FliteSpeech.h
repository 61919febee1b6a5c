#pragma once

#include <vector>

#include "charengine/SpeechTags.h"
#include "platform/speech/FliteSynthesizer.h"
#include "platform/speech/FliteVoices.h"

namespace zarn {

// The speech tags as flite is told them: it has no markup, so every change
// of rate, pitch or volume starts a new piece, said with its own settings.
// \Spd\ scales durations against the voice's own pace, \Pit\ its pitch,
// \Vol\ scales the samples; \Emp\ says the next word a little slower and
// higher; \Pau\ is silence, \Mrk\ a mark before its word; \Rst\ returns to
// `wpm` and `pitch_hz` (0: the voice's own). \Chr\ and \Ctx\ change
// nothing: flite has no whisper, monotone or reading contexts.
std::vector<FlitePiece> TranslateForFlite(const std::vector<SpeechItem>& items,
                                          const FliteVoiceInfo& voice, int wpm, int pitch_hz,
                                          const std::vector<SpeechItem>* last = nullptr);

}  // namespace zarn
