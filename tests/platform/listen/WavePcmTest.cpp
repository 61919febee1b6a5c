#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/listen/WavePcm.h"

namespace zarn {
namespace {

std::string Wave(int format, int channels, int rate, int bits, const std::string& data) {
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const int align = channels * bits / 8;
  const std::string fmt = "fmt " + le(16, 4) + le(format, 2) + le(channels, 2) + le(rate, 4) +
                          le(rate * align, 4) + le(align, 2) + le(bits, 2);
  const std::string body = "WAVE" + fmt + "data" + le(data.size(), 4) + data;
  return "RIFF" + le(body.size(), 4) + body;
}

std::string Write(const std::string& name, const std::string& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("zarn-wave-" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(WavePcm, DamagedOrUnsupportedFilesSayWhy) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"text", "hello, not a wave", "not a RIFF WAVE"},
      {"unknown encoding", Wave(0x1234, 1, 8000, 16, std::string(100, '\0')), "cannot be read"},
      {"rate", Wave(1, 1, 0, 16, std::string(100, '\0')), "wave"},
      {"nodata", Wave(1, 1, 8000, 16, "").substr(0, 36), "wave"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ReadWaveForListening(Write(c.name, c.bytes));
      ADD_FAILURE() << "read";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ReadWaveForListening("/nowhere/x.wav"), std::runtime_error);
}

TEST(WavePcm, AnyLayoutBecomesSixteenKilohertzMono) {
  // One second of 8-bit stereo at 8 kHz, and of 16-bit mono at 44.1 kHz, with
  // the channels of the first at +half and -half (they mix to silence).
  std::string stereo8;
  for (int i = 0; i < 8000; ++i) stereo8 += std::string{static_cast<char>(192), 64};
  const auto mixed = ReadWaveForListening(Write("st8", Wave(1, 2, 8000, 8, stereo8)));
  EXPECT_EQ(mixed.size(), 16000u);
  for (int16_t s : mixed) ASSERT_EQ(s, 0);
  std::string mono16;
  for (int i = 0; i < 44100; ++i) mono16 += std::string{0x00, 0x10};  // 4096
  const auto steady = ReadWaveForListening(Write("m16", Wave(1, 1, 44100, 16, mono16)));
  EXPECT_EQ(steady.size(), 16000u);
  for (int16_t s : steady) ASSERT_EQ(s, 4096);
}

}  // namespace
}  // namespace zarn
