#include "platform/listen/WavePcm.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zarn {
namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

int16_t SampleAt(const uint8_t* p, int bits, bool is_float) {
  if (is_float) {
    float f = 0;
    std::memcpy(&f, p, 4);
    return static_cast<int16_t>(std::lround(std::clamp(f, -1.0f, 1.0f) * 32767.0f));
  }
  switch (bits) {
    case 8:
      return static_cast<int16_t>((p[0] - 128) << 8);
    case 16:
      return static_cast<int16_t>(Le16(p));
    default:  // 24 and 32: keep the top 16 bits
      return static_cast<int16_t>(Le16(p + bits / 8 - 2));
  }
}

}  // namespace

std::vector<int16_t> ToListeningRate(std::span<const int16_t> interleaved, int channels,
                                     int sample_rate) {
  if (channels < 1 || sample_rate < 1) return {};
  const size_t frames = interleaved.size() / static_cast<size_t>(channels);
  std::vector<float> mono(frames);
  for (size_t i = 0; i < frames; ++i) {
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += interleaved[i * channels + c];
    mono[i] = sum / static_cast<float>(channels);
  }
  if (sample_rate == kListenSampleRate) {
    return std::vector<int16_t>(mono.begin(), mono.end());
  }
  // Averaging over about one output sample keeps most of the aliasing out.
  const double step = static_cast<double>(sample_rate) / kListenSampleRate;
  const size_t width = step > 1.0 ? static_cast<size_t>(std::lround(step)) : 1;
  if (width > 1) {
    std::vector<float> smooth(frames);
    double running = 0;
    for (size_t i = 0; i < frames; ++i) {
      running += mono[i];
      if (i >= width) running -= mono[i - width];
      smooth[i] = static_cast<float>(running / static_cast<double>(std::min(i + 1, width)));
    }
    mono.swap(smooth);
  }
  const size_t out_count = frames * kListenSampleRate / static_cast<size_t>(sample_rate);
  std::vector<int16_t> out(out_count);
  for (size_t i = 0; i < out_count; ++i) {
    const double at = static_cast<double>(i) * step;
    const size_t k = static_cast<size_t>(at);
    const double frac = at - static_cast<double>(k);
    const float a = mono[k];
    const float b = k + 1 < frames ? mono[k + 1] : a;
    out[i] = static_cast<int16_t>(std::lround(std::clamp(a + (b - a) * frac, -32768.0, 32767.0)));
  }
  return out;
}

std::vector<int16_t> ReadWaveForListening(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    throw std::runtime_error(path + " is not a WAV file");
  }
  int format = 0, channels = 0, rate = 0, bits = 0;
  const uint8_t* data = nullptr;
  size_t data_size = 0;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const uint32_t size = Le32(&bytes[at + 4]);
    const size_t body = at + 8;
    const size_t avail = std::min<size_t>(size, bytes.size() - body);
    if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && avail >= 16) {
      format = Le16(&bytes[body]);
      channels = Le16(&bytes[body + 2]);
      rate = static_cast<int>(Le32(&bytes[body + 4]));
      bits = Le16(&bytes[body + 14]);
      if (format == 0xFFFE && avail >= 26) format = Le16(&bytes[body + 24]);  // extensible
    } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
      data = &bytes[body];
      data_size = avail;  // a short last chunk: use what is there
    }
    at = body + size + (size & 1);
    if (at < body) break;  // the size wrapped around
  }
  const bool is_float = format == 3 && bits == 32;
  const bool is_pcm = format == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
  if (!is_float && !is_pcm) throw std::runtime_error(path + ": only PCM WAV files can be heard");
  if (channels < 1 || channels > 8 || rate < 4000 || rate > 384000 || data == nullptr) {
    throw std::runtime_error(path + ": a damaged WAV header");
  }
  const size_t stride = static_cast<size_t>(bits / 8);
  std::vector<int16_t> samples(data_size / stride);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = SampleAt(data + i * stride, bits, is_float);
  }
  return ToListeningRate(samples, channels, rate);
}

}  // namespace zarn
