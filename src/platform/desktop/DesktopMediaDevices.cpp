#include "platform/desktop/DesktopMediaDevices.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "backend/MciErrors.h"
#include "backend/MediaProbe.h"
#include "platform/desktop/DesktopAudioDevice.h"
#include "platform/desktop/DesktopVideoDevice.h"
#include "platform/desktop/MidiRenderer.h"

namespace zarn {
namespace {

// Longest song we render ahead; the rest of a longer one is silent.
constexpr int64_t kMaxRenderMillis = 15 * 60 * 1000;
// How long a song's last notes may ring past its last event.
constexpr int64_t kReleaseMillis = 5000;

int32_t ProbeError(const MediaProbeResult& probe) {
  return probe.failure == ProbeFailure::kCannotRead ? mcierr::kFileRead : mcierr::kInvalidFile;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void SaySilent(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "zarnplay: %s plays silently: %s\n", path.c_str(), why.c_str());
}

MciOpenResult Silent(Scheduler& scheduler, const std::string& path, const std::string& why,
                     int64_t length_ms, const SoundStarter& starter) {
  SaySilent(path, why);
  return {std::make_unique<DesktopAudioDevice>(scheduler, PcmAudio{}, length_ms, starter), 0};
}

}  // namespace

MciOpenResult OpenDesktopWave(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter) {
  const MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kWave);
  if (!probe) return {nullptr, ProbeError(probe)};
  const int64_t length = probe.info->duration_ms;
  WaveDecodeResult decoded = DecodeWave(ReadAll(path));
  if (!decoded) return Silent(scheduler, path, decoded.error, length, starter);
  return {
      std::make_unique<DesktopAudioDevice>(scheduler, std::move(decoded.audio), length, starter),
      0};
}

MciOpenResult OpenDesktopMidi(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter) {
  const MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kMidi);
  if (!probe) return {nullptr, ProbeError(probe)};
  const int64_t length = probe.info->duration_ms;
  const std::optional<std::string> font = FindSoundFont();
  if (!font) {
    return Silent(scheduler, path, "no General MIDI sound font (install timgm6mb-soundfont)",
                  length, starter);
  }
  const std::vector<uint8_t> file = ReadAll(path);
  std::string error;
  std::optional<PcmAudio> audio = RenderMidi(
      UnwrapRmid(file), *font, std::min(length + kReleaseMillis, kMaxRenderMillis), error);
  if (!audio) return Silent(scheduler, path, error, length, starter);
  return {std::make_unique<DesktopAudioDevice>(scheduler, std::move(*audio), length, starter), 0};
}

MciOpenResult OpenDesktopVideo(Scheduler& scheduler, const std::string& path) {
  const MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kAvi);
  if (!probe) return {nullptr, ProbeError(probe)};
  return {std::make_unique<DesktopVideoDevice>(scheduler, path, probe.info->frames,
                                               probe.info->micros_per_frame),
          0};
}

void RegisterDesktopMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler) {
  interpreter.RegisterDeviceType("waveaudio", [&scheduler](const std::string& path) {
    return OpenDesktopWave(scheduler, path);
  });
  interpreter.RegisterDeviceType("sequencer", [&scheduler](const std::string& path) {
    return OpenDesktopMidi(scheduler, path);
  });
  interpreter.RegisterDeviceType("avivideo", [&scheduler](const std::string& path) {
    return OpenDesktopVideo(scheduler, path);
  });
}

void RegisterMediaSound(MciInterpreter& interpreter, Scheduler& scheduler, SoundStarter starter) {
  interpreter.RegisterDeviceType("waveaudio", [&scheduler, starter](const std::string& path) {
    return OpenDesktopWave(scheduler, path, starter);
  });
  interpreter.RegisterDeviceType("sequencer", [&scheduler, starter](const std::string& path) {
    return OpenDesktopMidi(scheduler, path, starter);
  });
}

}  // namespace zarn
