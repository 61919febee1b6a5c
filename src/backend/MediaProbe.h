#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "backend/MediaProbeSource.h"

namespace zarn {

enum class MediaKind { kWave, kMidi, kAvi };

// What a media file's header says about it.
struct MediaInfo {
  MediaKind kind = MediaKind::kWave;
  int64_t duration_ms = 0;
  // Wave: the encoding (1 PCM, 2 MS-ADPCM, 0x11 IMA-ADPCM ...) and layout.
  uint16_t format_tag = 0;
  uint16_t channels = 0;
  uint32_t sample_rate = 0;
  int64_t sample_frames = 0;
  // MIDI: file format (0 or 1) and the number of tracks read.
  uint16_t midi_format = 0;
  uint16_t track_count = 0;
  // AVI: the main header's frame count and frame time.
  int64_t frames = 0;
  int64_t micros_per_frame = 0;
  // AVI: the frame size the main header gives (0 when it gives none).
  uint32_t width = 0;
  uint32_t height = 0;
};

using MediaProbeResult = ProbeOutcome<MediaInfo>;

// Longest item we accept (about 34 years); longer means a corrupt header.
inline constexpr int64_t kMaxMediaMillis = int64_t{1} << 40;
// MIDI songs are read whole; anything bigger is not a song.
inline constexpr uint64_t kMaxMidiBytes = 16u << 20;

MediaProbeResult ProbeWave(ProbeSource& source);
// A standard MIDI file (format 0 or 1), bare or wrapped in RIFF RMID.
MediaProbeResult ProbeMidi(ProbeSource& source);
MediaProbeResult ProbeAvi(ProbeSource& source);

MediaProbeResult ProbeMedia(ProbeSource& source, MediaKind kind);
MediaProbeResult ProbeMediaFile(const std::string& path, MediaKind kind);
// A wave file's length; nothing when it is not a readable wave.
std::optional<int64_t> WaveFileMillis(const std::string& path);
// The same for a whole wave file held in memory (a character's sounds).
std::optional<int64_t> WaveBytesMillis(std::span<const uint8_t> bytes);

}  // namespace zarn
