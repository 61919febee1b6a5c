#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "backend/MediaProbe.h"
#include "support/mci_test_support.h"

// The file layouts below name only the fields that differ from a plain file.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zarn {
namespace {

using namespace testing_media;

MediaProbeResult Probe(const Bytes& bytes, MediaKind kind) {
  MemoryProbeSource source(bytes);
  return ProbeMedia(source, kind);
}

Bytes Truncate(Bytes b, size_t keep) {
  b.resize(keep);
  return b;
}

TEST(ProbeWave, WorksOutTheLengthOfPlainWaves) {
  struct Case {
    const char* name;
    WaveLayout layout;
    int64_t ms;
    int64_t frames;
  };
  const Case cases[] = {
      {"pcm 16-bit stereo",
       {.tag = 1, .channels = 2, .rate = 44100, .block_align = 4, .bits = 16, .data_bytes = 176400},
       1000,
       44100},
      {"pcm 8-bit mono", {.data_bytes = 4000}, 500, 4000},
      {"pcm partial frame ignored",
       {.channels = 2, .block_align = 2, .data_bytes = 1601},
       100,
       800},
      // The ADPCM kinds: WaveDecoderTest, on files sox writes.
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaProbeResult result = Probe(MakeWave(c.layout), MediaKind::kWave);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.info->duration_ms, c.ms);
    EXPECT_EQ(result.info->sample_frames, c.frames);
    EXPECT_EQ(result.info->format_tag, c.layout.tag);
  }
}

TEST(ProbeWave, SkipsOtherChunksWithOddSizes) {
  const WaveLayout layout{.data_bytes = 800};
  Bytes body;
  PutChunk(body, "LIST", Bytes(5, 'x'));  // odd size: padded
  PutChunk(body, "fmt ", FmtChunkData(layout));
  PutChunk(body, "data", Bytes(800, 0));
  PutTag(body, "id3 ");
  PutLe32(body, 1000);  // a cut-off trailing tag chunk does not matter
  const MediaProbeResult result = Probe(Riff("WAVE", body), MediaKind::kWave);
  ASSERT_TRUE(result) << result.error;
  EXPECT_EQ(result.info->duration_ms, 100);
}

TEST(ProbeWave, RefusesDamagedOrForeignFiles) {
  const Bytes good = MakeWave({.data_bytes = 800});
  Bytes riff_only;
  PutTag(riff_only, "RIFF");
  PutLe32(riff_only, 4);
  PutTag(riff_only, "WAVE");
  Bytes no_data_body;
  PutChunk(no_data_body, "fmt ", FmtChunkData({}));
  Bytes no_fmt_body;
  PutChunk(no_fmt_body, "data", Bytes(10, 0));
  Bytes short_fmt_body;
  PutChunk(short_fmt_body, "fmt ", Bytes(12, 1));
  PutChunk(short_fmt_body, "data", Bytes(10, 0));

  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"empty file", {}, "too short"},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'},
       "not a RIFF WAVE"},
      {"riff of another form", MakeAvi({}), "not a RIFF WAVE"},
      {"header only", riff_only, "cannot be read"},
      {"cut inside the format chunk", Truncate(good, 20), "cannot be read"},
      {"sound data cut short", Truncate(good, good.size() - 100), "truncated"},
      {"no data chunk", Riff("WAVE", no_data_body), "cannot be read"},
      {"no format chunk", Riff("WAVE", no_fmt_body), "cannot be read"},
      {"format chunk too short", Riff("WAVE", short_fmt_body), "cannot be read"},
      {"no channels", MakeWave({.channels = 0}), "cannot be read"},
      // An ADPCM header without its coefficients or block layout.
      {"adpcm header incomplete",
       MakeWave({.tag = 2, .block_align = 256, .bits = 4, .data_bytes = 256}), "cannot be read"},
      {"unknown encoding", MakeWave({.tag = 0x1234, .data_bytes = 100}), "cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaProbeResult result = Probe(c.bytes, MediaKind::kWave);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.failure, ProbeFailure::kNotValid);
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
  }
}

// A file of about 4 GB whose header is in memory and the rest reads as
// zeros, for lengths no test file should really have.
class HugeSource : public ProbeSource {
 public:
  HugeSource(Bytes head, uint64_t size) : head_(std::move(head)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, std::span<uint8_t> out) override {
    if (offset > size_ || out.size() > size_ - offset) return false;
    for (size_t i = 0; i < out.size(); ++i) {
      out[i] = offset + i < head_.size() ? head_[offset + i] : 0;
    }
    return true;
  }

 private:
  Bytes head_;
  uint64_t size_;
};

// Sound data of nearly 4 GB at one frame a second.
TEST(ProbeWave, RefusesALengthPastTheAcceptedRangeOfAHugeFile) {
  Bytes fmt = FmtChunkData({.rate = 1});
  Bytes head;
  PutTag(head, "RIFF");
  PutLe32(head, 0xFFFFFFFFu);
  PutTag(head, "WAVE");
  PutChunk(head, "fmt ", fmt);
  PutTag(head, "data");
  PutLe32(head, 0xFFFFFF00u);
  HugeSource source(head, head.size() + 0xFFFFFF00u);
  const MediaProbeResult result = ProbeWave(source);
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("implausibly long"), std::string::npos) << result.error;
}

// Conductor track: tempo 500000 at 0, 250000 at tick 960.
Bytes ConductorTrack() {
  Bytes t;
  PutTempo(t, 0, 500000);
  PutTempo(t, 960, 250000);
  PutEndOfTrack(t, 0);
  return t;
}

// Notes up to tick 2400, with running status; optionally its own tempo
// change at tick 1920.
Bytes NoteTrack(bool tempo_at_1920) {
  Bytes t;
  PutNote(t, 0, 0x90, 60);
  t.insert(t.end(), {0x83, 0x60, 62, 0x40});  // delta 480, running status
  PutNote(t, 960, 0x80, 60);                  // tick 1440
  if (tempo_at_1920) PutTempo(t, 480, 1000000);
  PutVlq(t, tempo_at_1920 ? 480 : 960);  // tick 2400
  t.insert(t.end(), {0xC0, 5});          // one data byte
  PutEndOfTrack(t, 0);
  return t;
}

TEST(ProbeMidi, FollowsTheTempoMapAcrossTracks) {
  Bytes sysex_track;
  PutVlq(sysex_track, 100);
  sysex_track.insert(sysex_track.end(), {0xF0, 0x03, 0x7E, 0x7F, 0xF7});
  PutEndOfTrack(sysex_track, 3000);  // ends at tick 3100, the song's last

  struct Case {
    const char* name;
    Bytes bytes;
    int64_t ms;
  };
  const Case cases[] = {
      // No tempo events: 120 beats a minute; 960 ticks at 480 a beat = 1 s.
      {"default tempo", MakeMidi(0, 480, {[] {
                                   Bytes t;
                                   PutEndOfTrack(t, 960);
                                   return t;
                                 }()}),
       1000},
      // 0..960 at 0.5 s a beat = 1 s; 960..2400 at 0.25 s = 0.75 s.
      {"tempo change in the conductor", MakeMidi(1, 480, {ConductorTrack(), NoteTrack(false)}),
       1750},
      // 960..1920 at 0.25 s = 0.5 s; 1920..2400 at 1 s a beat = 1 s.
      {"tempo change in a later track", MakeMidi(1, 480, {ConductorTrack(), NoteTrack(true)}),
       2500},
      // Longest track decides: 1 s + (3100 - 960) / 480 * 0.25 s = 2.114583 s.
      {"sysex track ends last", MakeMidi(1, 480, {ConductorTrack(), NoteTrack(false), sysex_track}),
       2115},
      // 25 frames of 40 ticks: 1000 ticks a second.
      {"smpte 25 fps", MakeMidi(0, 0xE728, {[] {
                                  Bytes t;
                                  PutTempo(t, 0, 250000);  // ignored under SMPTE timing
                                  PutEndOfTrack(t, 3000);
                                  return t;
                                }()}),
       3000},
      // 29.97 frames of 100 ticks: 2997 ticks is one second.
      {"smpte drop frame", MakeMidi(0, 0xE364, {[] {
                                      Bytes t;
                                      PutEndOfTrack(t, 2997);
                                      return t;
                                    }()}),
       1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaProbeResult result = Probe(c.bytes, MediaKind::kMidi);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.info->duration_ms, c.ms);
  }
}

TEST(ProbeMidi, ReadsASongWrappedInRiff) {
  Bytes body;
  PutChunk(body, "data", MakeMidi(1, 480, {ConductorTrack(), NoteTrack(false)}));
  const MediaProbeResult result = Probe(Riff("RMID", body), MediaKind::kMidi);
  ASSERT_TRUE(result) << result.error;
  EXPECT_EQ(result.info->duration_ms, 1750);
  EXPECT_EQ(result.info->track_count, 2);
}

TEST(ProbeMidi, RefusesDamagedSongs) {
  const Bytes good = MakeMidi(1, 480, {ConductorTrack(), NoteTrack(false)});
  Bytes long_track = good;
  long_track[14 + 7] = 0xFF;  // first track's length: low byte
  long_track[14 + 6] = 0xFF;
  Bytes bad_vlq;
  bad_vlq.insert(bad_vlq.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 1, 1});
  Bytes no_status = {0x00, 0x3C, 0x40};
  Bytes long_meta = {0x00, 0xFF, 0x01, 0x20, 'a'};
  Bytes zero_tempo;
  PutTempo(zero_tempo, 0, 0);
  Bytes system_common = {0x00, 0xF2, 0x00, 0x00};
  Bytes cut_note = {0x00, 0x90, 0x3C};
  Bytes delta_only = {0x00, 0x90, 0x3C, 0x40, 0x10};
  Bytes fine;
  PutEndOfTrack(fine, 10);

  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"empty file", {}, "too short"},
      {"text", Bytes(40, 'a'), "not a standard MIDI"},
      {"riff but not midi", MakeWave({}), "not a MIDI song"},
      {"track longer than the file", long_track, "track 1 claims 65535 bytes"},
      {"fewer tracks than declared", MakeMidi(1, 480, {fine}, 3), "ends before track 2"},
      {"cut inside the header", Truncate(good, 12), "not a standard MIDI"},
      {"delta time of five bytes", MakeMidi(0, 480, {bad_vlq}), "delta time"},
      {"data without status", MakeMidi(0, 480, {no_status}), "no status"},
      {"meta event past the track end", MakeMidi(0, 480, {long_meta}), "past the end"},
      {"tempo of zero", MakeMidi(0, 480, {zero_tempo}), "tempo of zero"},
      {"system common message", MakeMidi(0, 480, {system_common}), "system message"},
      {"note cut short", MakeMidi(0, 480, {cut_note}), "past the end"},
      {"event cut after its delta", MakeMidi(0, 480, {delta_only}), "middle of an event"},
      {"format 2", MakeMidi(2, 480, {fine}), "format 2"},
      {"no tracks", MakeMidi(0, 480, {}), "no tracks"},
      {"division zero", MakeMidi(0, 0, {fine}), "division is zero"},
      {"smpte 20 fps", MakeMidi(0, 0xEC28, {fine}), "SMPTE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaProbeResult result = Probe(c.bytes, MediaKind::kMidi);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
  }
}

TEST(ProbeAvi, MultipliesFrameTimeByFrames) {
  const MediaProbeResult result =
      Probe(MakeAvi({.micros_per_frame = 33367, .frames = 300}), MediaKind::kAvi);
  ASSERT_TRUE(result) << result.error;
  EXPECT_EQ(result.info->frames, 300);
  EXPECT_EQ(result.info->micros_per_frame, 33367);
  EXPECT_EQ(result.info->duration_ms, 10010);  // 10.0101 s
}

TEST(ProbeAvi, RefusesDamagedOrForeignFiles) {
  const Bytes good = MakeAvi({});
  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"empty file", {}, "too short"},
      {"text named .avi", Bytes(200, 't'), "not an AVI"},
      {"wave file", MakeWave({}), "not an AVI"},
      {"no movie data", MakeAvi({.movie = false}), "no movie data"},
      {"cut inside the header list", Truncate(good, 40), "no complete header list"},
      {"main header too short", MakeAvi({.avih_size = 40}), "main header"},
      {"no streams", MakeAvi({.streams = 0}), "no streams"},
      {"frames without a frame time", MakeAvi({.micros_per_frame = 0}), "frame time is zero"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaProbeResult result = Probe(c.bytes, MediaKind::kAvi);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
  }
}

TEST(ProbeMediaFile, ReadsFilesAndReportsOnesItCannotOpen) {
  TempDir dir;
  const std::string wav = dir.Write("ok.wav", MakeWave({.data_bytes = 8000}));
  const std::string empty = dir.Write("empty.mid", Bytes{});
  EXPECT_EQ(ProbeMediaFile(wav, MediaKind::kWave).info->duration_ms, 1000);
  EXPECT_EQ(ProbeMediaFile(empty, MediaKind::kMidi).failure, ProbeFailure::kNotValid);
  EXPECT_EQ(ProbeMediaFile(dir.Path() + "/missing.wav", MediaKind::kWave).failure,
            ProbeFailure::kCannotRead);
  EXPECT_EQ(ProbeMediaFile(dir.Path(), MediaKind::kWave).failure, ProbeFailure::kCannotRead);
}

}  // namespace
}  // namespace zarn
