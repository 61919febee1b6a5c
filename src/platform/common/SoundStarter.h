#pragma once

#include <cstdint>
#include <functional>

#include "backend/WaveDecoder.h"

namespace zarn {

// Plays frames [from, to) of the audio somewhere other than the sound
// output (a recording's mix); gives back what stops it.
using SoundStarter =
    std::function<std::function<void()>(const PcmAudio& audio, int64_t from, int64_t to)>;

}  // namespace zarn
