#include "Sounds.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace zarn::demo {
namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979;

// `seconds` of samples from `wave` (time -> -1..1), as a WAV file.
std::vector<uint8_t> Wav(double seconds, const std::function<double(double)>& wave) {
  const uint32_t samples = static_cast<uint32_t>(seconds * kRate);
  std::vector<uint8_t> out;
  auto u16 = [&](uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  u32(36 + samples * 2);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(kRate);
  u32(kRate * 2);
  u16(2);
  u16(16);
  tag("data");
  u32(samples * 2);
  for (uint32_t i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / kRate;
    // Short fades at both ends keep the edges from clicking.
    const double fade = std::min({1.0, t / 0.005, (seconds - t) / 0.01});
    const double v = std::clamp(wave(t) * fade, -1.0, 1.0);
    u16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 30000))));
  }
  return out;
}

// Sine with a frequency that moves from f0 to f1 over `length` seconds.
std::function<double(double)> Sweep(double f0, double f1, double length, double level) {
  return [=](double t) {
    const double phase = 2 * kPi * (f0 * t + (f1 - f0) * t * t / (2 * length));
    return level * std::sin(phase) * (1 - t / length);
  };
}

double Bell(double t, double f) {
  return std::exp(-t * 9) *
         (0.6 * std::sin(2 * kPi * f * t) + 0.25 * std::sin(2 * kPi * f * 2.76 * t));
}

}  // namespace

std::vector<uint8_t> PopSound() { return Wav(0.16, Sweep(320, 980, 0.16, 0.6)); }

std::vector<uint8_t> WhooshSound() { return Wav(0.24, Sweep(900, 240, 0.24, 0.5)); }

std::vector<uint8_t> DingSound() {
  return Wav(0.45, [](double t) { return Bell(t, 1318.5); });
}

std::vector<uint8_t> ChimeSound() {
  return Wav(0.5, [](double t) { return t < 0.15 ? Bell(t, 784) : Bell(t - 0.15, 1046.5); });
}

std::vector<uint8_t> TickSound() {
  return Wav(0.05,
             [](double t) { return 0.5 * std::exp(-t * 120) * std::sin(2 * kPi * 2200 * t); });
}

}  // namespace zarn::demo
