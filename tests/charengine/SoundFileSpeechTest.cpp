#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "EngineTestSupport.h"

namespace zarn::test {
namespace {

// A silent 8-bit mono PCM file of `millis` at 8000 Hz.
std::string WriteWave(int millis) {
  char name[] = "/tmp/charengine-wave-XXXXXX";
  const int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  close(fd);
  const uint32_t samples = static_cast<uint32_t>(millis) * 8;
  std::vector<uint8_t> bytes;
  auto text = [&](const char* four) { bytes.insert(bytes.end(), four, four + 4); };
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  };
  text("RIFF");
  u32(36 + samples);
  text("WAVE");
  text("fmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  text("data");
  u32(samples);
  bytes.insert(bytes.end(), samples, 128);
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return name;
}

TEST(SoundFileSpeech, TheSoundSetsTheTimeAndBookmarksKeepTheirPlace) {
  const std::string wave = WriteWave(800);
  struct Case {
    const char* name;
    std::string text;
    std::string url;
    int64_t duration;  // after the 100 ms Speaking animation
    int64_t bookmark;
  };
  const Case cases[] = {
      {"bookmark halfway through the words", "one \\Spd=50\\two \\Mrk=3\\three four", wave, 800,
       400},
      {"no text", "", wave, 800, -1},
      {"unreadable sound: the text sets the time", "one \\Mrk=3\\two", "/nonexistent/x.wav", 750,
       375},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    f.engine.Show("Pip", true);
    const RequestId speak = f.engine.Speak("Pip", c.text, c.url);
    f.clock.RunUntilIdle();
    EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(speak) + " 0"), 100 + c.duration);
    EXPECT_EQ(f.events.TimeOf("Bookmark 3"), c.bookmark < 0 ? -1 : 100 + c.bookmark);
  }
  unlink(wave.c_str());
}

}  // namespace
}  // namespace zarn::test
