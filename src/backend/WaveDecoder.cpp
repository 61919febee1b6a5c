#include "backend/WaveDecoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace zarn {
namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kMsAdpcm = 2;
constexpr uint16_t kImaAdpcm = 0x11;
constexpr uint16_t kMaxChannels = 8;

uint16_t Le16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return Le16(b, at) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}
int16_t Clamp16(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

constexpr std::array<int16_t, 14> kMsCoefficients = {256, 0,   512, -256, 0,    0,   192,
                                                     64,  240, 0,   460,  -208, 392, -232};
constexpr std::array<int32_t, 16> kMsAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                                   768, 614, 512, 409, 307, 230, 230, 230};

struct MsChannel {
  static constexpr int32_t kMaxDelta = INT32_MAX / 768;
  int32_t c1 = 0, c2 = 0, delta = 0, s1 = 0, s2 = 0;
  int16_t Next(uint8_t nibble) {
    const int32_t signed_nibble = nibble >= 8 ? nibble - 16 : nibble;
    const int32_t predicted = ((s1 * c1 + s2 * c2) >> 8) + signed_nibble * delta;
    const int16_t out = Clamp16(predicted);
    s2 = s1;
    s1 = out;
    // A damaged stream can grow the step without end; keep it in range.
    delta = std::clamp(kMsAdaptation[nibble] * delta >> 8, 16, kMaxDelta);
    return out;
  }
};

constexpr std::array<int32_t, 89> kImaSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int32_t, 8> kImaIndexShift = {-1, -1, -1, -1, 2, 4, 6, 8};

struct ImaChannel {
  int32_t predicted = 0, index = 0;
  int16_t Next(uint8_t nibble) {
    const int32_t step = kImaSteps[index];
    int32_t diff = step >> 3;
    if (nibble & 4) diff += step;
    if (nibble & 2) diff += step >> 1;
    if (nibble & 1) diff += step >> 2;
    predicted = Clamp16(nibble & 8 ? predicted - diff : predicted + diff);
    index = std::clamp(index + kImaIndexShift[nibble & 7], 0, 88);
    return static_cast<int16_t>(predicted);
  }
};

}  // namespace

std::vector<int16_t> DecodeMsAdpcm(std::span<const uint8_t> data, uint16_t channels,
                                   uint16_t block_align, std::span<const int16_t> coefficients) {
  std::vector<int16_t> out;
  if (coefficients.size() < 2) coefficients = kMsCoefficients;
  const size_t header = 7u * channels;
  if (channels == 0 || channels > kMaxChannels || block_align < header) return out;
  for (size_t at = 0; at + header <= data.size(); at += block_align) {
    const auto block = data.subspan(at, std::min<size_t>(block_align, data.size() - at));
    std::array<MsChannel, kMaxChannels> state;
    for (size_t c = 0; c < channels; ++c) {
      const size_t predictor = std::min<size_t>(block[c], coefficients.size() / 2 - 1);
      state[c].c1 = coefficients[predictor * 2];
      state[c].c2 = coefficients[predictor * 2 + 1];
      state[c].delta = static_cast<int16_t>(Le16(block, channels + 2 * c));
      state[c].s1 = static_cast<int16_t>(Le16(block, 3u * channels + 2 * c));
      state[c].s2 = static_cast<int16_t>(Le16(block, 5u * channels + 2 * c));
    }
    // The header holds the first two samples, the older one first.
    for (size_t c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(state[c].s2));
    for (size_t c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(state[c].s1));
    size_t channel = 0;
    for (size_t i = header; i < block.size(); ++i) {
      for (uint8_t nibble :
           {static_cast<uint8_t>(block[i] >> 4), static_cast<uint8_t>(block[i] & 15)}) {
        out.push_back(state[channel].Next(nibble));
        channel = (channel + 1) % channels;
      }
    }
  }
  return out;
}

std::vector<int16_t> DecodeImaAdpcm(std::span<const uint8_t> data, uint16_t channels,
                                    uint16_t block_align) {
  std::vector<int16_t> out;
  const size_t header = 4u * channels;
  if (channels == 0 || channels > kMaxChannels || block_align < header) return out;
  for (size_t at = 0; at + header <= data.size(); at += block_align) {
    const auto block = data.subspan(at, std::min<size_t>(block_align, data.size() - at));
    std::array<ImaChannel, kMaxChannels> state;
    for (size_t c = 0; c < channels; ++c) {
      state[c].predicted = static_cast<int16_t>(Le16(block, 4 * c));
      state[c].index = std::min<int32_t>(block[4 * c + 2], 88);
      out.push_back(static_cast<int16_t>(state[c].predicted));
    }
    // Then groups of four bytes (eight samples) per channel in turn, low
    // nibble first.
    const size_t groups = (block.size() - header) / (4u * channels);
    for (size_t g = 0; g < groups; ++g) {
      std::array<int16_t, 8 * kMaxChannels> decoded{};
      for (size_t c = 0; c < channels; ++c) {
        const size_t base = header + (g * channels + c) * 4;
        for (size_t k = 0; k < 4; ++k) {
          decoded[c * 8 + 2 * k] = state[c].Next(block[base + k] & 15);
          decoded[c * 8 + 2 * k + 1] = state[c].Next(block[base + k] >> 4);
        }
      }
      for (size_t s = 0; s < 8; ++s) {
        for (size_t c = 0; c < channels; ++c) out.push_back(decoded[c * 8 + s]);
      }
    }
  }
  return out;
}

WaveDecodeResult DecodeWave(std::span<const uint8_t> file) {
  WaveDecodeResult result;
  const auto fail = [&result](std::string why) {
    result.error = std::move(why);
    return std::move(result);
  };
  if (file.size() < 12 || Le32(file, 0) != 0x46464952 || Le32(file, 8) != 0x45564157) {
    return fail("not a RIFF WAVE file");
  }
  std::optional<std::span<const uint8_t>> fmt, data;
  std::optional<uint32_t> fact_frames;
  for (size_t at = 12; at + 8 <= file.size();) {
    const uint32_t id = Le32(file, at);
    const size_t size = std::min<size_t>(Le32(file, at + 4), file.size() - at - 8);
    const auto body = file.subspan(at + 8, size);
    if (id == 0x20746d66 && !fmt) fmt = body;
    if (id == 0x61746164 && !data) data = body;
    if (id == 0x74636166 && size >= 4) fact_frames = Le32(body, 0);
    at += 8 + size + (size & 1);
  }
  if (!fmt || fmt->size() < 16) return fail("the wave has no format chunk");
  if (!data) return fail("the wave has no data chunk");
  const uint16_t tag = Le16(*fmt, 0);
  const uint16_t channels = Le16(*fmt, 2);
  const uint32_t rate = Le32(*fmt, 4);
  const uint16_t block_align = Le16(*fmt, 12);
  const uint16_t bits = Le16(*fmt, 14);
  if (channels == 0 || channels > kMaxChannels) return fail("the wave has a bad channel count");
  if (rate < 1000 || rate > 384000) return fail("the wave has a bad sample rate");
  PcmAudio& audio = result.audio;
  audio.channels = channels;
  audio.sample_rate = rate;
  if (tag == kPcm && bits == 8) {
    audio.samples.reserve(data->size());
    for (uint8_t b : *data) audio.samples.push_back(static_cast<int16_t>((b - 128) << 8));
  } else if (tag == kPcm && bits == 16) {
    for (size_t i = 0; i + 1 < data->size(); i += 2) {
      audio.samples.push_back(static_cast<int16_t>(Le16(*data, i)));
    }
  } else if (tag == kMsAdpcm || tag == kImaAdpcm) {
    if (bits != 4 && bits != 0) return fail("the ADPCM wave is not 4 bits a sample");
    const size_t header = (tag == kMsAdpcm ? 7u : 4u) * channels;
    if (block_align <= header) return fail("the ADPCM wave has a bad block size");
    if (tag == kImaAdpcm) {
      audio.samples = DecodeImaAdpcm(*data, channels, block_align);
    } else {
      // The format may carry its own coefficient table after the samples per block.
      std::vector<int16_t> coefficients;
      if (fmt->size() >= 22) {
        const size_t count = Le16(*fmt, 20);
        for (size_t i = 0; i < count * 2 && 22 + 2 * i + 1 < fmt->size(); ++i) {
          coefficients.push_back(static_cast<int16_t>(Le16(*fmt, 22 + 2 * i)));
        }
        if (coefficients.size() % 2) coefficients.pop_back();
      }
      audio.samples = DecodeMsAdpcm(*data, channels, block_align, coefficients);
    }
  } else {
    return fail("the wave's encoding (format " + std::to_string(tag) + ", " + std::to_string(bits) +
                " bits) is not supported");
  }
  audio.samples.resize(audio.samples.size() / channels * channels);
  // The block-coded formats pad the last block; the fact chunk says how
  // many frames are real.
  if (tag != kPcm && fact_frames && *fact_frames < audio.Frames()) {
    audio.samples.resize(static_cast<size_t>(*fact_frames) * channels);
  }
  return result;
}

}  // namespace zarn
