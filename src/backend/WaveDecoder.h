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

// Decodes a whole wave file: 8- and 16-bit PCM, MS-ADPCM and IMA-ADPCM.
// Anything else, or a damaged file, gives an error saying what is wrong.
WaveDecodeResult DecodeWave(std::span<const uint8_t> file);

// The codecs on their own: `data` is whole blocks of `block_align` bytes
// (a short last block is decoded as far as it goes).
std::vector<int16_t> DecodeMsAdpcm(std::span<const uint8_t> data, uint16_t channels,
                                   uint16_t block_align,
                                   std::span<const int16_t> coefficients = {});
std::vector<int16_t> DecodeImaAdpcm(std::span<const uint8_t> data, uint16_t channels,
                                    uint16_t block_align);

}  // namespace zarn
