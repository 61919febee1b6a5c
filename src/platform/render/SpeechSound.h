#pragma once

#include <optional>
#include <string>
#include <vector>

#include "backend/WaveDecoder.h"
#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {

// A Speak's sound file decoded, with mouths from its loudness on the speech
// clock; nothing (and why, on stderr) when it cannot be read.
std::optional<PcmAudio> ReadSpeechSound(const std::string& path, std::vector<SpeechEvent>& mouths);

}  // namespace zarn
