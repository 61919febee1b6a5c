#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {

// A sound file that speaks has no phonemes: the mouth opens with its
// loudness, judged over 40 ms windows of interleaved 16-bit samples. The
// events are timed on the synthesiser's sample clock, one where the shape
// changes.
std::vector<SpeechEvent> LoudnessMouths(std::span<const int16_t> samples, int channels,
                                        int sample_rate);

}  // namespace zarn
