#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// Interleaved signed 16-bit samples.
struct PcmAudio {
  uint16_t channels = 0;
  uint32_t sample_rate = 0;
  std::vector<int16_t> samples;

  int64_t Frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
  int64_t Millis() const { return sample_rate ? Frames() * 1000 / sample_rate : 0; }
};

struct WaveDecodeResult {
  PcmAudio audio;
  std::string error;  // empty when decoded
  explicit operator bool() const { return error.empty(); }
};

// The program's one wave reader (libsndfile): integer and float PCM,
// mu-law, A-law, MS-ADPCM, IMA-ADPCM, GSM and what else the library reads
// inside a RIFF WAVE file. ProbeWave (MediaProbe.h) reads the header with
// it. A file it cannot read gives an error saying why.
WaveDecodeResult DecodeWave(std::span<const uint8_t> file);
WaveDecodeResult DecodeWaveFile(const std::string& path);

}  // namespace zarn
