#include <algorithm>
#include <cstdint>
#include <optional>

#include "backend/MediaProbe.h"

namespace zarn {
namespace {

constexpr int kMaxChunks = 4096;
constexpr uint16_t kPcm = 1, kMsAdpcm = 2, kFloat = 3, kALaw = 6, kMuLaw = 7, kImaAdpcm = 0x11;
constexpr uint16_t kExtensible = 0xFFFE;

struct WaveFormat {
  uint16_t tag = 0;
  uint16_t channels = 0;
  uint32_t sample_rate = 0;
  uint32_t bytes_per_second = 0;
  uint16_t block_align = 0;
  uint16_t samples_per_block = 0;  // ADPCM extension, 0 when absent
};

std::optional<WaveFormat> ReadFormat(ProbeSource& source, const RiffChunk& chunk,
                                     std::string& why) {
  if (chunk.size < 16) {
    why = "the format chunk is too short";
    return std::nullopt;
  }
  uint8_t fmt[40] = {};
  const uint32_t wanted = chunk.size < sizeof fmt ? chunk.size : sizeof fmt;
  if (!source.Read(chunk.data, std::span(fmt, wanted))) {
    why = "the file ends inside the format chunk";
    return std::nullopt;
  }
  WaveFormat format;
  format.tag = ReadLe16(fmt);
  format.channels = ReadLe16(fmt + 2);
  format.sample_rate = ReadLe32(fmt + 4);
  format.bytes_per_second = ReadLe32(fmt + 8);
  format.block_align = ReadLe16(fmt + 12);
  const uint16_t extra = wanted >= 18 ? ReadLe16(fmt + 16) : 0;
  if (extra >= 2 && wanted >= 20) format.samples_per_block = ReadLe16(fmt + 18);
  // The extensible layout names its real encoding in the sub-format GUID.
  if (format.tag == kExtensible && extra >= 22 && wanted >= 26) format.tag = ReadLe16(fmt + 24);
  if (format.channels == 0 || format.sample_rate == 0 || format.block_align == 0) {
    why = "the format chunk has no channels, sample rate or block size";
    return std::nullopt;
  }
  return format;
}

// Sample frames in `data_bytes` of an ADPCM stream whose blocks each start
// with `header` bytes per channel followed by `samples_in_header` samples.
std::optional<int64_t> AdpcmFrames(const WaveFormat& f, uint32_t data_bytes, uint32_t header,
                                   uint32_t samples_in_header, std::string& why) {
  const uint32_t head = header * f.channels;
  if (f.block_align < head) {
    why = "the ADPCM block size is smaller than its block header";
    return std::nullopt;
  }
  const int64_t per_block = int64_t{f.block_align - head} * 2 / f.channels + samples_in_header;
  if (f.samples_per_block != 0 && f.samples_per_block != per_block) {
    why = "the ADPCM samples per block do not match the block size";
    return std::nullopt;
  }
  int64_t frames = int64_t{data_bytes / f.block_align} * per_block;
  const uint32_t rest = data_bytes % f.block_align;
  if (rest >= head) frames += int64_t{rest - head} * 2 / f.channels + samples_in_header;
  return frames;
}

}  // namespace

MediaProbeResult ProbeWave(ProbeSource& source) {
  uint8_t riff[12];
  if (!source.Read(0, riff))
    return MediaProbeResult::Invalid("the file is too short to be a wave file");
  if (!HasTag(riff, "RIFF") || !HasTag(riff + 8, "WAVE")) {
    return MediaProbeResult::Invalid("the file is not a RIFF WAVE file");
  }

  std::optional<WaveFormat> format;
  std::optional<uint32_t> fact_frames;
  std::optional<uint32_t> data_bytes;
  std::string why;
  uint64_t offset = 12;
  for (int count = 0; offset + 8 <= source.Size(); ++count) {
    if (count == kMaxChunks) return MediaProbeResult::Invalid("the wave file has too many chunks");
    const std::optional<RiffChunk> chunk = ReadRiffChunk(source, offset);
    if (!chunk) break;
    const bool fits = chunk->size <= source.Size() - chunk->data;
    if (chunk->Is("fmt ")) {
      if (format) return MediaProbeResult::Invalid("the wave file has two format chunks");
      format = ReadFormat(source, *chunk, why);
      if (!format) return MediaProbeResult::Invalid(why);
    } else if (chunk->Is("fact") && chunk->size >= 4) {
      uint8_t fact[4];
      if (source.Read(chunk->data, fact)) fact_frames = ReadLe32(fact);
    } else if (chunk->Is("data")) {
      if (!fits) {
        return MediaProbeResult::Invalid(
            "the wave file is truncated: its sound data runs past the "
            "end of the file");
      }
      if (data_bytes) return MediaProbeResult::Invalid("the wave file has two data chunks");
      data_bytes = chunk->size;
    }
    if (!fits) break;  // a cut-off trailing chunk (tags, padding) does not matter
    offset = chunk->Next();
  }
  if (!format) return MediaProbeResult::Invalid("the wave file has no format chunk");
  if (!data_bytes) return MediaProbeResult::Invalid("the wave file has no sound data");

  std::optional<int64_t> frames;
  switch (format->tag) {
    case kPcm:
    case kFloat:
    case kALaw:
    case kMuLaw:
      frames = *data_bytes / format->block_align;
      break;
    case kMsAdpcm:
      frames = fact_frames ? std::optional<int64_t>(*fact_frames)
                           : AdpcmFrames(*format, *data_bytes, 7, 2, why);
      break;
    case kImaAdpcm:
      frames = fact_frames ? std::optional<int64_t>(*fact_frames)
                           : AdpcmFrames(*format, *data_bytes, 4, 1, why);
      break;
    default:
      if (fact_frames) {
        frames = *fact_frames;
      } else if (format->bytes_per_second != 0) {
        // Both factors are 32 bits: the product fits unsigned.
        const uint64_t count =
            uint64_t{*data_bytes} * format->sample_rate / format->bytes_per_second;
        frames = static_cast<int64_t>(std::min<uint64_t>(count, INT64_MAX));
      } else {
        why = "the wave encoding is unknown and its length cannot be worked out";
      }
  }
  if (!frames) return MediaProbeResult::Invalid(why);
  // Whole seconds and the rest apart, so that no product overflows.
  const int64_t rate = format->sample_rate;
  const int64_t duration_ms = *frames / rate * 1000 + (*frames % rate * 1000 + rate / 2) / rate;
  if (duration_ms > kMaxMediaMillis) {
    return MediaProbeResult::Invalid("the wave's length is implausibly long");
  }

  MediaInfo info;
  info.kind = MediaKind::kWave;
  info.format_tag = format->tag;
  info.channels = format->channels;
  info.sample_rate = format->sample_rate;
  info.sample_frames = *frames;
  info.duration_ms = duration_ms;
  return MediaProbeResult::Valid(info);
}

}  // namespace zarn
