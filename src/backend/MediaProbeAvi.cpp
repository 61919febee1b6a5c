#include <optional>

#include "backend/MediaProbe.h"

namespace zarn {
namespace {

constexpr int kMaxChunks = 4096;
constexpr uint32_t kMainHeaderSize = 56;

// Finds the first LIST chunk of `list_type` among the chunks in [begin, end).
std::optional<RiffChunk> FindList(ProbeSource& source, uint64_t begin, uint64_t end,
                                  const char (&list_type)[5]) {
  uint64_t offset = begin;
  for (int count = 0; count < kMaxChunks && offset + 12 <= end; ++count) {
    const std::optional<RiffChunk> chunk = ReadRiffChunk(source, offset);
    if (!chunk) return std::nullopt;
    uint8_t type[4];
    if (chunk->Is("LIST") && chunk->size >= 4 && source.Read(chunk->data, type) &&
        HasTag(type, list_type)) {
      return chunk;
    }
    offset = chunk->Next();
  }
  return std::nullopt;
}

}  // namespace

MediaProbeResult ProbeAvi(ProbeSource& source) {
  uint8_t riff[12];
  if (!source.Read(0, riff))
    return MediaProbeResult::Invalid("the file is too short to be a video");
  if (!HasTag(riff, "RIFF") || !HasTag(riff + 8, "AVI ")) {
    return MediaProbeResult::Invalid("the file is not an AVI video");
  }
  const uint64_t size = source.Size();
  const std::optional<RiffChunk> hdrl = FindList(source, 12, size, "hdrl");
  if (!hdrl || hdrl->size > size - hdrl->data) {
    return MediaProbeResult::Invalid("the video has no complete header list");
  }
  const std::optional<RiffChunk> avih = ReadRiffChunk(source, hdrl->data + 4);
  uint8_t main[kMainHeaderSize];
  if (!avih || !avih->Is("avih") || avih->size < kMainHeaderSize ||
      avih->data + kMainHeaderSize > hdrl->data + hdrl->size || !source.Read(avih->data, main)) {
    return MediaProbeResult::Invalid("the video's main header is missing or too short");
  }
  if (!FindList(source, hdrl->Next(), size, "movi")) {
    return MediaProbeResult::Invalid("the video has no movie data; the file may be truncated");
  }

  const uint32_t micros_per_frame = ReadLe32(main);
  const uint32_t frames = ReadLe32(main + 16);
  const uint32_t streams = ReadLe32(main + 24);
  if (streams == 0) return MediaProbeResult::Invalid("the video has no streams");
  if (frames != 0 && micros_per_frame == 0) {
    return MediaProbeResult::Invalid("the video's frame time is zero");
  }
  const uint64_t micros = uint64_t{micros_per_frame} * frames;  // fits: both are 32 bits
  MediaInfo info;
  info.kind = MediaKind::kAvi;
  info.frames = frames;
  info.micros_per_frame = micros_per_frame;
  info.width = ReadLe32(main + 32);
  info.height = ReadLe32(main + 36);
  info.duration_ms = static_cast<int64_t>((micros + 500) / 1000);
  if (info.duration_ms > kMaxMediaMillis) {
    return MediaProbeResult::Invalid("the video's length is implausibly long");
  }
  return MediaProbeResult::Valid(info);
}

}  // namespace zarn
