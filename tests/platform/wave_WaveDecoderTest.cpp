#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/WaveDecoder.h"

namespace zarn {
namespace {

using namespace std::string_literals;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

void Le(std::string& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Chunk(const std::string& id, const std::string& body) {
  std::string b = id;
  Le(b, static_cast<uint32_t>(body.size()), 4);
  return b + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

std::string Fmt(int tag, int channels, int rate, int block_align, int bits) {
  std::string f;
  Le(f, tag, 2);
  Le(f, channels, 2);
  Le(f, rate, 4);
  Le(f, rate * block_align, 4);
  Le(f, block_align, 2);
  Le(f, bits, 2);
  return Chunk("fmt ", f);
}

std::string Riff(const std::string& body) {
  std::string b = "RIFF";
  Le(b, static_cast<uint32_t>(body.size() + 4), 4);
  return b + "WAVE" + body;
}

TEST(WaveDecoderTest, AdpcmBlocksDecodeToKnownSamples) {
  const struct {
    const char* name;
    bool ms;
    uint16_t channels;
    std::vector<uint8_t> block;
    std::vector<int16_t> expected;
  } cases[] = {
      // Predictor 0, delta 16, sample1 100, sample2 50; nibbles 1, -1, 7, 0.
      {"ms predictor 0",
       true,
       1,
       Bytes({0, 16, 0, 100, 0, 50, 0, 0x1F, 0x70}),
       {50, 100, 116, 100, 212, 212}},
      // Predictor 1 extrapolates the line through the two header samples.
      {"ms predictor 1", true, 1, Bytes({1, 16, 0, 100, 0, 50, 0, 0x00}), {50, 100, 150, 200}},
      // Header sample 1000, step index 0; low nibble first.
      {"ima mono",
       false,
       1,
       Bytes({0xE8, 0x03, 0, 0, 0x04, 0x00, 0x8C, 0x07}),
       {1000, 1007, 1008, 1009, 1009, 1002, 1001, 1016, 1018}},
      // Four bytes of the left channel, then four of the right.
      {"ima stereo",
       false,
       2,
       Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x11, 0x11, 0x11, 0, 0, 0, 0}),
       {0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto block_align = static_cast<uint16_t>(c.block.size());
    // Two identical blocks: each starts afresh from its header.
    std::vector<uint8_t> two = c.block;
    two.insert(two.end(), c.block.begin(), c.block.end());
    std::vector<int16_t> expected = c.expected;
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(c.ms ? DecodeMsAdpcm(two, c.channels, block_align)
                   : DecodeImaAdpcm(two, c.channels, block_align),
              expected);
  }
}

TEST(WaveDecoderTest, WaveFilesDecodeOrSayWhatIsWrong) {
  const std::string ima_block("\xE8\x03\x00\x00\x04\x00\x8C\x07", 8);
  std::string fact;
  Le(fact, 5, 4);
  const struct {
    const char* name;
    std::string file;
    std::vector<int16_t> samples;
    std::string error;  // a part of the message
  } cases[] = {
      {"pcm 8",
       Riff(Fmt(1, 1, 8000, 1, 8) + Chunk("data", "\x80\xFF\x00"s)),
       {0, 32512, -32768},
       ""},
      {"pcm 16 stereo",
       Riff(Fmt(1, 2, 8000, 4, 16) + Chunk("data", "\x01\x00\xFF\xFF"s)),
       {1, -1},
       ""},
      {"ima trimmed by fact",
       Riff(Fmt(0x11, 1, 8000, 8, 4) + Chunk("fact", fact) + Chunk("data", ima_block)),
       {1000, 1007, 1008, 1009, 1009},
       ""},
      {"data size beyond the file",
       Riff(Fmt(1, 1, 8000, 1, 8) + "data\xFF\xFF\x00\x00\x80\x80"s),
       {0, 0},
       ""},
      {"not riff", "RIFX0000WAVE", {}, "not a RIFF WAVE"},
      {"no format", Riff(Chunk("data", "\x80"s)), {}, "no format"},
      {"no data", Riff(Fmt(1, 1, 8000, 1, 8)), {}, "no data"},
      {"float", Riff(Fmt(3, 1, 8000, 4, 32) + Chunk("data", "abcd")), {}, "not supported"},
      {"no channels", Riff(Fmt(1, 0, 8000, 1, 8) + Chunk("data", "\x80"s)), {}, "channel"},
      {"rate zero", Riff(Fmt(1, 1, 0, 1, 8) + Chunk("data", "\x80"s)), {}, "sample rate"},
      {"adpcm block too small", Riff(Fmt(2, 2, 8000, 14, 4) + Chunk("data", "x")), {}, "block"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes(c.file.begin(), c.file.end());
    const WaveDecodeResult result = DecodeWave(bytes);
    if (c.error.empty()) {
      ASSERT_TRUE(result) << result.error;
      EXPECT_EQ(result.audio.samples, c.samples);
    } else {
      EXPECT_FALSE(result);
      EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
  }
}

}  // namespace
}  // namespace zarn
