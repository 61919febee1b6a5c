#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "backend/MediaProbe.h"
#include "backend/PictureProbe.h"
#include "support/mci_test_support.h"

// The file layouts below name only the fields that differ from a plain file.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zarn {
namespace {

using namespace testing_media;

struct Sample {
  const char* name;
  Bytes bytes;
  std::optional<MediaKind> kind;  // none: a picture
};

std::vector<Sample> Samples() {
  Bytes track;
  PutTempo(track, 0, 400000);
  PutNote(track, 10, 0x90, 60);
  track.insert(track.end(), {0x10, 62, 0x40, 0x00, 0xF0, 0x02, 0x7E, 0xF7});
  PutEndOfTrack(track, 480);
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a',  2,    0,    2,    0,    0x80, 0,
               0,   0,   0,   0,   255, 255,  255,  0x2C, 0,    0,    0,    0,
               2,   0,   2,   0,   0,   0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00, 0x20, 0x01, 0x01, 0x11,
                0x00, 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0xFF, 0xD9};
  return {
      {"wave", MakeWave({.channels = 2, .block_align = 4, .bits = 16, .data_bytes = 200}),
       MediaKind::kWave},
      {"midi", MakeMidi(1, 96, {track, track}), MediaKind::kMidi},
      {"avi", MakeAvi({}), MediaKind::kAvi},
      {"gif", gif, std::nullopt},
      {"jpeg", jpeg, std::nullopt},
  };
}

// Returns whether the probe accepted; a refusal must say why.
bool ProbeOnce(const Sample& sample, const Bytes& bytes) {
  MemoryProbeSource source(bytes);
  if (sample.kind) {
    const MediaProbeResult result = ProbeMedia(source, *sample.kind);
    EXPECT_TRUE(result || !result.error.empty());
    if (result) {
      EXPECT_LE(result.info->duration_ms, kMaxMediaMillis);
    }
    return static_cast<bool>(result);
  }
  const PictureProbeResult result = ProbePicture(source);
  EXPECT_TRUE(result || !result.error.empty());
  return static_cast<bool>(result);
}

// Under the sanitizers this is where an out-of-bounds read would show.
TEST(ProbeRobustness, EveryPrefixAndManyDamagedCopiesAreAnswered) {
  std::mt19937 random(12345);
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    ASSERT_TRUE(ProbeOnce(sample, sample.bytes));
    for (size_t keep = 0; keep < sample.bytes.size(); ++keep) {
      ProbeOnce(sample, Bytes(sample.bytes.begin(), sample.bytes.begin() + keep));
    }
    for (int round = 0; round < 3000; ++round) {
      Bytes damaged = sample.bytes;
      const int flips = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < flips; ++i) {
        damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
      }
      ProbeOnce(sample, damaged);
    }
  }
}

TEST(ProbeRobustness, AMidiSongCutAnywhereIsRefused) {
  const Sample midi = Samples()[1];
  for (size_t keep = 0; keep < midi.bytes.size(); ++keep) {
    SCOPED_TRACE(keep);
    EXPECT_FALSE(ProbeOnce(midi, Bytes(midi.bytes.begin(), midi.bytes.begin() + keep)));
  }
}

}  // namespace
}  // namespace zarn
