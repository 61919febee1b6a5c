#include "platform/desktop/DesktopMediaDevices.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "backend/MciErrors.h"
#include "backend/MediaProbe.h"
#include "platform/desktop/DesktopAudioDevice.h"
#include "platform/desktop/DesktopMidiDevice.h"
#include "platform/desktop/DesktopVideoDevice.h"
#include "platform/desktop/MidiRenderer.h"

namespace zarn {
namespace {

// Longest song we play; the rest of a longer one is cut.
constexpr int64_t kMaxSongMillis = 15 * 60 * 1000;
// How long a song's last notes may ring past its last event.
constexpr int64_t kReleaseMillis = 5000;

int32_t ProbeError(const MediaProbeResult& probe) {
  return probe.failure == ProbeFailure::kCannotRead ? mcierr::kFileRead : mcierr::kInvalidFile;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// What cannot be played fails to open, with the reason on stderr.
MciOpenResult Refuse(const std::string& path, const std::string& why, int32_t code) {
  std::fprintf(stderr, "zarnplay: cannot play %s: %s\n", path.c_str(), why.c_str());
  return {nullptr, code};
}

}  // namespace

MciOpenResult OpenDesktopWave(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter) {
  const MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kWave);
  if (!probe) return {nullptr, ProbeError(probe)};
  const int64_t length = probe.info->duration_ms;
  WaveDecodeResult decoded = DecodeWaveFile(path);
  if (!decoded) return Refuse(path, decoded.error, mcierr::kInvalidFile);
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
    return Refuse(path, "no General MIDI sound font (install timgm6mb-soundfont)",
                  mcierr::kSeqNoMidiPresent);
  }
  const std::vector<uint8_t> file = ReadAll(path);
  const int64_t limit = std::min(length + kReleaseMillis, kMaxSongMillis);
  std::string error;
  if (starter) {
    // A recording mixes the song whole.
    std::optional<PcmAudio> audio = RenderMidi(UnwrapRmid(file), *font, limit, error);
    if (!audio) return Refuse(path, error, mcierr::kInvalidFile);
    return {std::make_unique<DesktopAudioDevice>(scheduler, std::move(*audio), length, starter), 0};
  }
  std::unique_ptr<MidiStream> stream = MidiStream::Open(UnwrapRmid(file), *font, error);
  if (!stream) return Refuse(path, error, mcierr::kInvalidFile);
  return {std::make_unique<DesktopMidiDevice>(scheduler, std::move(stream), length, limit), 0};
}

MciOpenResult OpenDesktopVideo(Scheduler& scheduler, const std::string& path,
                               const DesktopMediaHooks& hooks) {
  const MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kAvi);
  if (!probe) return {nullptr, ProbeError(probe)};
  return {std::make_unique<DesktopVideoDevice>(scheduler, path, *probe.info, hooks), 0};
}

void RegisterDesktopMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler,
                                 const DesktopMediaHooks& hooks) {
  interpreter.RegisterDeviceType("waveaudio", [&scheduler](const std::string& path) {
    return OpenDesktopWave(scheduler, path);
  });
  interpreter.RegisterDeviceType("sequencer", [&scheduler](const std::string& path) {
    return OpenDesktopMidi(scheduler, path);
  });
  interpreter.RegisterDeviceType("avivideo", [&scheduler, &hooks](const std::string& path) {
    return OpenDesktopVideo(scheduler, path, hooks);
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
