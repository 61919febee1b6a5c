#include "platform/listen/WavePcm.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "backend/WaveDecoder.h"

namespace zarn {

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
  const WaveDecodeResult wave = DecodeWaveFile(path);
  if (!wave) throw std::runtime_error(path + ": " + wave.error);
  return ToListeningRate(wave.audio.samples, wave.audio.channels,
                         static_cast<int>(wave.audio.sample_rate));
}

}  // namespace zarn
