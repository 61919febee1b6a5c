#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// What the recognizer listens to.
inline constexpr int kListenSampleRate = 16000;

// A wave file (any encoding the wave reader takes, any rate, any channel
// count) as 16 kHz mono; throws std::runtime_error saying why not.
std::vector<int16_t> ReadWaveForListening(const std::string& path);

// Mixes interleaved 16-bit samples down to mono and resamples them to
// 16 kHz (linear interpolation after a short averaging filter).
std::vector<int16_t> ToListeningRate(std::span<const int16_t> interleaved, int channels,
                                     int sample_rate);

}  // namespace zarn
