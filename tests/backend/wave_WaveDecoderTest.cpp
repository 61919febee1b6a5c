#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backend/MediaProbe.h"
#include "backend/WaveDecoder.h"
#include "support/TempFolder.h"
#include "support/Process.h"

namespace zarn {
namespace {

using namespace std::string_literals;
using testing::ReadFile;
using testing::TempFolder;

// Every encoding sox writes into a wave reads back as sox itself reads it:
// sample for sample for the ADPCM kinds and the companded ones, within the
// last bit where sox rounds wider samples differently. The probe agrees
// with what is decoded, padding of the last ADPCM block left out.
TEST(WaveDecoderTest, ReadsWhatSoxWritesAsSoxReadsIt) {
  const struct {
    const char* encoding;
    int max_difference;
  } cases[] = {{"-e ima-adpcm", 0},
               {"-e ms-adpcm", 0},
               {"-e u-law", 0},
               {"-e a-law", 0},
               {"-e gsm-full-rate -r 8000", 0},
               {"-b 8", 0},
               {"-b 16 -c 2", 0},
               {"-b 24", 1},
               {"-e floating-point -b 32", 1}};
  TempFolder dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoding);
    const std::string wav = dir / "tone.wav", raw = dir / "tone.raw";
    const std::string make = std::string("sox -D -n -r 11025 ") + c.encoding + " '" + wav +
                             "' synth 0.25 sine 440 sine 1000 vol 0.6 && sox -D '" + wav +
                             "' -t raw -e signed -b 16 '" + raw + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string bytes = ReadFile(raw);
    std::vector<int16_t> sox(bytes.size() / 2);
    for (size_t i = 0; i < sox.size(); ++i) {
      sox[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | bytes[2 * i + 1] << 8);
    }
    const WaveDecodeResult wave = DecodeWaveFile(wav);
    ASSERT_TRUE(wave) << wave.error;
    const MediaProbeResult probe = ProbeMediaFile(wav, MediaKind::kWave);
    ASSERT_TRUE(probe) << probe.error;
    EXPECT_EQ(probe.info->sample_frames, wave.audio.Frames());
    EXPECT_NEAR(static_cast<double>(probe.info->duration_ms), 250, 1);
    // sox decodes the padding of the last block too.
    ASSERT_GE(sox.size(), wave.audio.samples.size());
    ASSERT_GE(wave.audio.samples.size(), 2000u);
    int worst = 0;
    for (size_t i = 0; i < wave.audio.samples.size(); ++i) {
      worst = std::max(worst, std::abs(sox[i] - wave.audio.samples[i]));
    }
    EXPECT_LE(worst, c.max_difference);
  }
}

TEST(WaveDecoderTest, WhatIsNoWaveSaysWhy) {
  std::string fmt_unknown(
      "RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x34\x12\x01\x00"
      "\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00"
      "data\x00\x00\x00\x00",
      44);
  const struct {
    const char* name;
    std::string file;
    const char* says;
  } cases[] = {
      {"empty", "", "too short"},
      {"a header's worth", "RIFF\x04\x00\x00\x00WAVE"s, "cannot be read"},
      {"not riff", "RIFX0000WAVEfmt ", "not a RIFF WAVE"},
      {"aiff", "FORM\x00\x00\x00\x04"s + "AIFFCOMM", "not a RIFF WAVE"},
      {"unknown encoding", fmt_unknown, "cannot be read"},
      {"cut in the header", fmt_unknown.substr(0, 30), "cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes(c.file.begin(), c.file.end());
    const WaveDecodeResult result = DecodeWave(bytes);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
  }
}

}  // namespace
}  // namespace zarn
