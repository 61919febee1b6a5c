// libFuzzer target over the media probes: any bytes as a wave, MIDI and AVI
// file. A probe answers with a length within the accepted range or with a
// reason; read from a file it answers exactly as from memory. The wave
// reader gives whole frames, no more than its header promised, or a reason.

#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzSupport.h"
#include "backend/MediaProbe.h"
#include "backend/WaveDecoder.h"

namespace {

using namespace zarn;
using fuzz::Check;

void CheckProbe(const MediaProbeResult& result, MediaKind kind) {
  if (!result) {
    Check(!result.error.empty(), "a refusal without a reason");
    return;
  }
  const MediaInfo& info = *result.info;
  Check(info.kind == kind, "the answer is of another kind");
  Check(info.duration_ms >= 0 && info.duration_ms <= kMaxMediaMillis, "length out of range");
  if (kind == MediaKind::kWave) {
    Check(info.channels > 0 && info.sample_rate > 0 && info.sample_frames >= 0, "odd wave");
  }
  if (kind == MediaKind::kAvi) Check(info.frames >= 0 && info.micros_per_frame >= 0, "odd video");
}

bool Same(const MediaProbeResult& a, const MediaProbeResult& b) {
  if (a.failure != b.failure || a.error != b.error || a.info.has_value() != b.info.has_value()) {
    return false;
  }
  return !a.info ||
         (a.info->duration_ms == b.info->duration_ms &&
          a.info->sample_frames == b.info->sample_frames &&
          a.info->track_count == b.info->track_count && a.info->frames == b.info->frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::Scratch::Get().Write("media", fuzz::AsText(data, size));
  for (MediaKind kind : {MediaKind::kWave, MediaKind::kMidi, MediaKind::kAvi}) {
    MemoryProbeSource memory(std::span<const uint8_t>(data, size));
    const MediaProbeResult result = ProbeMedia(memory, kind);
    CheckProbe(result, kind);
    Check(Same(result, ProbeMediaFile(path, kind)), "file and memory answers differ");
  }
  const WaveDecodeResult wave = DecodeWave(std::span<const uint8_t>(data, size));
  if (wave) {
    const PcmAudio& audio = wave.audio;
    Check(audio.channels > 0 && audio.sample_rate > 0, "odd decoded wave");
    Check(audio.samples.size() % audio.channels == 0, "a part frame");
    // The decoder and the probe are one reader: they agree on the layout,
    // and no more frames come out than the header promised.
    MemoryProbeSource memory(std::span<const uint8_t>(data, size));
    const MediaProbeResult probe = ProbeWave(memory);
    Check(probe && probe.info->channels == audio.channels &&
              probe.info->sample_rate == audio.sample_rate,
          "decoded a wave the probe refuses");
    Check(audio.Frames() <= probe.info->sample_frames, "more frames than the header holds");
  } else {
    Check(!wave.error.empty(), "a refusal without a reason");
  }
  return 0;
}
