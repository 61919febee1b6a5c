#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "backend/MediaProbe.h"

namespace zarn {
namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

struct TempoChange {
  uint64_t tick;
  uint32_t micros_per_quarter;
};

struct TrackScan {
  uint64_t last_tick = 0;
  std::string error;
};

class TrackReader {
 public:
  explicit TrackReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  std::optional<uint8_t> Byte() {
    if (AtEnd()) return std::nullopt;
    return bytes_[pos_++];
  }
  std::optional<uint8_t> Peek() const {
    if (AtEnd()) return std::nullopt;
    return bytes_[pos_];
  }
  // Variable-length quantity: at most four bytes, seven bits each.
  std::optional<uint32_t> Vlq() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::optional<uint8_t> b = Byte();
      if (!b) return std::nullopt;
      value = value << 7 | (*b & 0x7Fu);
      if ((*b & 0x80u) == 0) return value;
    }
    return std::nullopt;
  }
  std::optional<std::span<const uint8_t>> Take(uint32_t count) {
    if (count > bytes_.size() - pos_) return std::nullopt;
    const auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

// Walks one track's events; collects tempo changes and the tick of its end.
TrackScan ScanTrack(std::span<const uint8_t> bytes, std::vector<TempoChange>& tempos) {
  TrackScan scan;
  TrackReader in(bytes);
  uint64_t tick = 0;
  uint8_t running = 0;
  while (!in.AtEnd()) {
    const std::optional<uint32_t> delta = in.Vlq();
    if (!delta) {
      scan.error = "a delta time is malformed or cut off";
      return scan;
    }
    tick += *delta;
    const std::optional<uint8_t> next = in.Peek();
    if (!next) {
      scan.error = "the track ends in the middle of an event";
      return scan;
    }
    uint8_t status = *next;
    if (status & 0x80u) {
      in.Byte();
    } else if (running != 0) {
      status = running;
    } else {
      scan.error = "an event has data but no status byte";
      return scan;
    }
    if (status == 0xFF || status == 0xF0 || status == 0xF7) {
      std::optional<uint8_t> type = status == 0xFF ? in.Byte() : std::optional<uint8_t>(0);
      const std::optional<uint32_t> length = type ? in.Vlq() : std::nullopt;
      const auto data = length ? in.Take(*length) : std::nullopt;
      if (!data) {
        scan.error = "a meta or system-exclusive event runs past the end of its track";
        return scan;
      }
      running = 0;  // these cancel running status
      if (status == 0xFF && *type == 0x51) {
        if (data->size() < 3) {
          scan.error = "a tempo change is too short";
          return scan;
        }
        const uint32_t tempo = uint32_t{(*data)[0]} << 16 | uint32_t{(*data)[1]} << 8 | (*data)[2];
        if (tempo == 0) {
          scan.error = "a tempo change sets a tempo of zero";
          return scan;
        }
        tempos.push_back({tick, tempo});
      }
      if (status == 0xFF && *type == 0x2F) break;  // end of track
    } else if (status >= 0xF0) {
      scan.error = "a track holds a system message that a MIDI file may not contain";
      return scan;
    } else {
      const uint32_t data_bytes = (status & 0xF0u) == 0xC0 || (status & 0xF0u) == 0xD0 ? 1 : 2;
      if (!in.Take(data_bytes)) {
        scan.error = "a channel event runs past the end of its track";
        return scan;
      }
      running = status;
    }
  }
  scan.last_tick = tick;
  return scan;
}

// Where the standard MIDI data lives: the whole file, or an RMID data chunk.
std::optional<std::pair<uint64_t, uint64_t>> LocateSong(ProbeSource& source, std::string& why) {
  uint8_t head[12];
  if (!source.Read(0, head)) {
    why = "the file is too short to be a MIDI song";
    return std::nullopt;
  }
  if (!HasTag(head, "RIFF")) return std::pair<uint64_t, uint64_t>{0, source.Size()};
  if (!HasTag(head + 8, "RMID")) {
    why = "the file is a RIFF file but not a MIDI song";
    return std::nullopt;
  }
  uint64_t offset = 12;
  for (int count = 0; count < 4096; ++count) {
    const std::optional<RiffChunk> chunk = ReadRiffChunk(source, offset);
    if (!chunk) break;
    if (chunk->size > source.Size() - chunk->data) {
      why = "the RIFF MIDI song is truncated";
      return std::nullopt;
    }
    if (chunk->Is("data")) return std::pair<uint64_t, uint64_t>{chunk->data, chunk->size};
    offset = chunk->Next();
  }
  why = "the RIFF MIDI song has no data chunk";
  return std::nullopt;
}

std::optional<double> Duration(uint16_t division, uint64_t end_tick,
                               std::vector<TempoChange>& tempos, std::string& why) {
  if (division & 0x8000u) {
    const int fps = -static_cast<int8_t>(division >> 8);
    const int ticks_per_frame = division & 0xFF;
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || ticks_per_frame == 0) {
      why = "the song's SMPTE time division is not valid";
      return std::nullopt;
    }
    const double frames_per_second = fps == 29 ? 30000.0 / 1001.0 : fps;
    return static_cast<double>(end_tick) * 1e6 / (frames_per_second * ticks_per_frame);
  }
  if (division == 0) {
    why = "the song's time division is zero";
    return std::nullopt;
  }
  // Tempo changes hold for every track; at one tick the last one read wins.
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  double micros = 0;
  uint64_t tick = 0;
  uint32_t tempo = kDefaultTempo;
  for (const TempoChange& change : tempos) {
    if (change.tick >= end_tick) break;
    micros += static_cast<double>(change.tick - tick) * tempo / division;
    tick = change.tick;
    tempo = change.micros_per_quarter;
  }
  micros += static_cast<double>(end_tick - tick) * tempo / division;
  return micros;
}

}  // namespace

MediaProbeResult ProbeMidi(ProbeSource& source) {
  if (source.Size() > kMaxMidiBytes)
    return MediaProbeResult::Invalid("the file is too big to be a MIDI song");
  std::string why;
  const auto song = LocateSong(source, why);
  if (!song) return MediaProbeResult::Invalid(why);
  const uint64_t base = song->first;
  const uint64_t end = song->first + song->second;

  uint8_t header[14];
  if (song->second < sizeof header || !source.Read(base, header) || !HasTag(header, "MThd")) {
    return MediaProbeResult::Invalid("the file is not a standard MIDI file");
  }
  const uint32_t header_length = ReadBe32(header + 4);
  const uint16_t format = ReadBe16(header + 8);
  const uint16_t declared_tracks = ReadBe16(header + 10);
  const uint16_t division = ReadBe16(header + 12);
  if (header_length < 6 || header_length > end - base - 8) {
    return MediaProbeResult::Invalid("the MIDI header has a bad length");
  }
  if (format > 1) {
    return MediaProbeResult::Invalid("MIDI file format " + std::to_string(format) +
                                     " is not supported");
  }
  if (declared_tracks == 0) return MediaProbeResult::Invalid("the MIDI file has no tracks");

  std::vector<TempoChange> tempos;
  uint64_t end_tick = 0;
  uint16_t tracks = 0;
  uint64_t offset = base + 8 + header_length;
  std::vector<uint8_t> bytes;
  while (tracks < declared_tracks) {
    const std::string which = "track " + std::to_string(tracks + 1);
    if (offset + 8 > end) {
      return MediaProbeResult::Invalid("the MIDI file ends before " + which);
    }
    uint8_t chunk[8];
    if (!source.Read(offset, chunk))
      return MediaProbeResult::Invalid("the MIDI file cannot be read");
    const uint32_t length = ReadBe32(chunk + 4);
    if (length > end - offset - 8) {
      return MediaProbeResult::Invalid("MIDI " + which + " claims " + std::to_string(length) +
                                       " bytes but only " + std::to_string(end - offset - 8) +
                                       " remain");
    }
    if (HasTag(chunk, "MTrk")) {
      bytes.resize(length);  // bounded by the file size checked above
      if (!source.Read(offset + 8, bytes)) {
        return MediaProbeResult::Invalid("the MIDI file cannot be read");
      }
      const TrackScan scan = ScanTrack(bytes, tempos);
      if (!scan.error.empty())
        return MediaProbeResult::Invalid("MIDI " + which + ": " + scan.error);
      end_tick = std::max(end_tick, scan.last_tick);
      ++tracks;
    }
    offset += 8 + uint64_t{length};
  }

  const std::optional<double> micros = Duration(division, end_tick, tempos, why);
  if (!micros) return MediaProbeResult::Invalid(why);
  const double millis = std::round(*micros / 1000.0);
  if (!(millis <= static_cast<double>(kMaxMediaMillis))) {
    return MediaProbeResult::Invalid("the MIDI song's length is implausibly long");
  }
  MediaInfo info;
  info.kind = MediaKind::kMidi;
  info.midi_format = format;
  info.track_count = tracks;
  info.duration_ms = static_cast<int64_t>(millis);
  return MediaProbeResult::Valid(info);
}

}  // namespace zarn
