#include "backend/MediaProbe.h"

namespace zarn {

MediaProbeResult ProbeMedia(ProbeSource& source, MediaKind kind) {
  switch (kind) {
    case MediaKind::kWave:
      return ProbeWave(source);
    case MediaKind::kMidi:
      return ProbeMidi(source);
    case MediaKind::kAvi:
      return ProbeAvi(source);
  }
  return MediaProbeResult::Invalid("unknown media kind");
}

MediaProbeResult ProbeMediaFile(const std::string& path, MediaKind kind) {
  std::optional<FileProbeSource> source = FileProbeSource::Open(path);
  if (!source) return MediaProbeResult::Unreadable("the file cannot be opened for reading");
  return ProbeMedia(*source, kind);
}

std::optional<int64_t> WaveFileMillis(const std::string& path) {
  const MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kWave);
  if (!probe) return std::nullopt;
  return probe.info->duration_ms;
}

std::optional<int64_t> WaveBytesMillis(std::span<const uint8_t> bytes) {
  MemoryProbeSource source(bytes);
  const MediaProbeResult probe = ProbeWave(source);
  if (!probe) return std::nullopt;
  return probe.info->duration_ms;
}

}  // namespace zarn
