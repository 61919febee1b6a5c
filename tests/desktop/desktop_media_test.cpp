#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "desktop/desktop_fixture.h"
#include "platform/desktop/MidiRenderer.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::Shell;
using testing::TraceLine;
using testing::WaitUntil;
using namespace std::chrono_literals;

void Le(std::string& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::string Chunk(const std::string& id, const std::string& body) {
  std::string b = id;
  Le(b, static_cast<uint32_t>(body.size()), 4);
  return b + body + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string List(const std::string& type, const std::string& body) {
  return Chunk("LIST", type + body);
}

// An organ note held for one second, then a second's rest: 2 s a round.
std::string Song() {
  const std::string track("\x00\xC0\x10\x00\x90\x30\x7F\x87\x40\x80\x30\x40\x87\x40\xFF\x2F\x00",
                          17);
  std::string b("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0MTrk\x00\x00\x00", 21);
  b += static_cast<char>(track.size());
  return b + track;
}

// Uncompressed 32 x 24 frames at 10 a second, with an index.
std::string Avi(uint32_t frames) {
  const uint32_t size = 32 * 24 * 3;
  std::string avih, strh, strf, movi, idx1;
  for (uint32_t v :
       {100000u, size * 10, 0u, 0x10u, frames, 0u, 1u, size, 32u, 24u, 0u, 0u, 0u, 0u}) {
    Le(avih, v, 4);
  }
  strh = "vidsDIB ";
  for (uint32_t v : {0u, 0u, 0u, 1u, 10u, 0u, frames, size, 0xFFFFFFFFu, 0u}) Le(strh, v, 4);
  for (uint32_t v : {0u, 0u, 32u, 24u}) Le(strh, v, 2);
  for (uint32_t v : {40u, 32u, 24u}) Le(strf, v, 4);
  Le(strf, 1, 2);
  Le(strf, 24, 2);
  for (uint32_t v : {0u, size, 0u, 0u, 0u, 0u}) Le(strf, v, 4);
  for (uint32_t f = 0; f < frames; ++f) {
    idx1 += "00db";
    Le(idx1, 0x10, 4);
    Le(idx1, static_cast<uint32_t>(4 + movi.size()), 4);
    Le(idx1, size, 4);
    movi += Chunk("00db", std::string(size, static_cast<char>(f * 12)));
  }
  const std::string body =
      "AVI " +
      List("hdrl", Chunk("avih", avih) + List("strl", Chunk("strh", strh) + Chunk("strf", strf))) +
      List("movi", movi) + Chunk("idx1", idx1);
  std::string riff = "RIFF";
  Le(riff, static_cast<uint32_t>(body.size()), 4);
  return riff + body;
}

// What the null sink played, in tenths of a second: loudness and how often
// the signal crosses zero (a 1 kHz tone twice a millisecond).
struct Slice {
  bool loud = false;
  int crossings_per_second = 0;
};

// Records the null sink's monitor at 8 kHz. Silence is played into the
// sink meanwhile: an idle sink's monitor runs behind the clock.
class SinkRecording {
 public:
  explicit SinkRecording(std::string path)
      : path_(std::move(path)),
        silence_(
            Sh("exec pacat --raw --format=s16le --rate=8000 --channels=1 < /dev/zero", "silence")),
        child_(Sh("exec parec -d nullsink.monitor --raw --format=s16le --rate=8000 --channels=1 "
                  "--latency-msec=20 > '" +
                      path_ + "'",
                  "parec")) {
    // Recording has begun once the silence comes back through the monitor.
    WaitUntil(
        [this] {
          std::error_code ec;
          const auto size = std::filesystem::file_size(path_, ec);
          return !ec && size > 1600;
        },
        10s);
  }

  std::vector<Slice> Stop() {
    child_.reset();
    silence_.reset();
    std::ifstream in(path_, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), {});
    std::vector<Slice> out;
    for (size_t at = 0; at + 1600 <= raw.size(); at += 1600) {
      double sum = 0;
      int crossings = 0;
      int16_t last = 0;
      for (size_t i = at; i < at + 1600; i += 2) {
        const auto s = static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | (raw[i + 1] << 8));
        sum += double(s) * s;
        if ((s < 0) != (last < 0)) ++crossings;
        last = s;
      }
      out.push_back({std::sqrt(sum / 800) > 200, crossings * 10});
    }
    return out;
  }

 private:
  std::unique_ptr<ChildProcess> Sh(const std::string& command, const std::string& log) {
    return std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sh", "-c", command},
                                          std::map<std::string, std::string>{},
                                          path_ + "." + log + ".log");
  }

  std::string path_;
  std::unique_ptr<ChildProcess> silence_;
  std::unique_ptr<ChildProcess> child_;
};

// Runs of loud slices as (first slice, length).
std::vector<std::pair<size_t, size_t>> Sounds(const std::vector<Slice>& slices) {
  std::vector<std::pair<size_t, size_t>> runs;
  for (size_t i = 0; i < slices.size(); ++i) {
    if (!slices[i].loud) continue;
    if (!runs.empty() && runs.back().first + runs.back().second == i) {
      ++runs.back().second;
    } else {
      runs.push_back({i, 1});
    }
  }
  return runs;
}

// One character a slice for failure messages: '.' quiet, 'o' low, '^' high.
std::string Picture(const std::vector<Slice>& slices) {
  std::string out;
  for (const Slice& s : slices) out += !s.loud ? '.' : s.crossings_per_second < 1500 ? 'o' : '^';
  return out;
}

// Runs of at least half a second of one picture character: (first, length).
std::vector<std::pair<size_t, size_t>> Runs(const std::string& picture, char c) {
  std::vector<std::pair<size_t, size_t>> runs;
  for (size_t i = 0; i < picture.size();) {
    size_t j = i;
    while (j < picture.size() && picture[j] == c) ++j;
    if (j - i >= 5) runs.push_back({i, j - i});
    i = j == i ? i + 1 : j;
  }
  return runs;
}

int MedianCrossings(const std::vector<Slice>& slices, std::pair<size_t, size_t> run) {
  std::vector<int> c;
  for (size_t i = run.first; i < run.first + run.second; ++i)
    c.push_back(slices[i].crossings_per_second);
  std::sort(c.begin(), c.end());
  return c[c.size() / 2];
}

std::vector<TraceLine> Mci(const std::vector<TraceLine>& records) {
  std::vector<TraceLine> out;
  for (const auto& r : records) {
    if (r.kind == "media" && r.op == "mci") out.push_back(r);
  }
  return out;
}

class DesktopMediaTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (Shell("pactl info 2>/dev/null").find("nullsink") == std::string::npos) {
      GTEST_FAIL() << "no PulseAudio null sink: run under tests/desktop/with_display.sh";
    }
  }
  // A 1 kHz tone made by sox in the given encoding.
  std::string Tone(const std::string& name, const std::string& encoding, double seconds) {
    const std::string path = dir_ / name;
    Shell("sox -n -r 22050 -c 1 -e " + encoding + " '" + path + "' synth " +
          std::to_string(seconds) + " sine 1000 vol 0.5 2>&1");
    return path;
  }
  std::string Script(const std::string& extra, const std::string& lines) {
    return dir_.Write("media.zrn",
                      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n"
                      "[Commands]\n1=Stay|~|stay\n" +
                          extra + "[Script]\n" + lines);
  }
  bool TraceHas(const std::string& text) {
    return ReadFile(Trace("player")).find(text) != std::string::npos;
  }
};

TEST_F(DesktopMediaTest, LoopedSongRestartsUntilAnAdpcmWaveTakesOver) {
  dir_.Write("song.mid", Song(), false);
  Tone("tone.wav", "ima-adpcm", 1.5);
  const std::string script = Script("[Bookmarks]\n1=\n[BookmarkScript:1]\nPLAYWAVE tone.wav\n",
                                    // A slow, silent move lets the song loop; the bookmark starts
                                    // the wave as the words begin.
                                    "PLAYMIDI song.mid,True\nPip.Show\nPip.MoveTo 600, 400, 7000\n"
                                    "Pip.Speak \"\\mrk=1\\Ok.\"\n");
  SinkRecording recording(dir_ / "sink.raw");
  auto player = Start("player", {script});
  ASSERT_TRUE(WaitUntil([&] { return TraceHas("tone.wav"); }, 60s)) << ReadFile(Trace("player"));
  std::this_thread::sleep_for(4s);
  const auto slices = recording.Stop();
  player.reset();

  const std::string picture = Picture(slices);
  SCOPED_TRACE(picture);
  const auto song = Runs(picture, 'o');
  const auto wave = Runs(picture, '^');
  ASSERT_FALSE(wave.empty());
  const size_t wave_start = wave[0].first;
  // The song sounds its second, falls silent for its rest and starts again
  // at the next half-second poll. (The first round may run into the start's
  // own sounds, so rounds are told apart by their ends; the last may be cut
  // by the wave.)
  std::vector<std::pair<size_t, size_t>> rounds;
  for (const auto& run : song) {
    if (run.first + run.second + 1 < wave_start) rounds.push_back(run);
  }
  ASSERT_GE(rounds.size(), 2u);
  for (size_t i = 1; i < rounds.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(rounds[i].second), 10, 2);
    const size_t gap =
        rounds[i].first + rounds[i].second - rounds[i - 1].first - rounds[i - 1].second;
    EXPECT_GE(gap, 19u);
    EXPECT_LE(gap, 27u);
  }
  // The wave's tone takes over, whole (1.5 s), and the song does not come
  // back; the slot's loop now repeats the wave.
  EXPECT_NEAR(static_cast<double>(wave[0].second), 15, 3);
  EXPECT_NEAR(MedianCrossings(slices, wave[0]), 2000, 200);
  EXPECT_TRUE(std::none_of(song.begin(), song.end(),
                           [&](const auto& run) { return run.first > wave_start; }));

  const auto mci = Mci(ParseTrace(ReadFile(Trace("player"))));
  EXPECT_GE(std::count_if(mci.begin(), mci.end(),
                          [](const TraceLine& r) { return r.Arg(0).starts_with("play media"); }),
            3);
}

TEST_F(DesktopMediaTest, BrokenWaveGivesOurMessageAndTheNextOnePlaysToItsEnd) {
  Tone("ms.wav", "ms-adpcm", 1.0);
  dir_.Write("cut.wav", ReadFile(dir_ / "ms.wav").substr(0, 30), false);
  const std::string script = Script("", "PLAYWAVE cut.wav\nPLAYWAVE ms.wav\n");
  SinkRecording recording(dir_ / "sink.raw");
  auto player = Start("player", {script});
  std::string box;
  ASSERT_TRUE(WaitUntil([&] {
    box = Shell("xdotool search --onlyvisible --name '^ZARNPlay$' 2>/dev/null");
    return !box.empty();
  }));
  Shell("xdotool windowfocus --sync " + box.substr(0, box.find('\n')) + " key Return");
  ASSERT_TRUE(WaitUntil([&] { return TraceHas("ms.wav\\\" type waveaudio alias media"); }));
  std::this_thread::sleep_for(2500ms);
  const auto slices = recording.Stop();
  player.reset();

  const auto records = ParseTrace(ReadFile(Trace("player")));
  const auto boxes = testing::Select(records, "ui", "MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_FALSE(boxes[0].Arg(0).empty());
  const auto sounds = Sounds(slices);
  SCOPED_TRACE(Picture(slices));
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_NEAR(static_cast<double>(sounds[0].second), 10, 2);
  EXPECT_NEAR(MedianCrossings(slices, sounds[0]), 2000, 200);
}

// A song renders to its own end (the rest included, the silence after
// trimmed), bare or wrapped in RIFF RMID; what is not a song says why.
TEST(MidiRendererTest, SongsRenderToTheirEnd) {
  const std::optional<std::string> font = FindSoundFont();
  ASSERT_TRUE(font) << "no General MIDI sound font (scripts/setup.sh)";
  const std::string song = Song();
  std::string rmid = "RIFF";
  const std::string body = "RMID" + Chunk("data", song);
  Le(rmid, static_cast<uint32_t>(body.size()), 4);
  rmid += body;
  const struct {
    const char* name;
    std::string file;
    bool plays;
  } cases[] = {{"bare", song, true},
               {"rmid", rmid, true},
               {"rmid without data", rmid.substr(0, 12), false},
               {"text", "not a song at all", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes(c.file.begin(), c.file.end());
    std::string error;
    const auto audio = RenderMidi(UnwrapRmid(bytes), *font, 10000, error);
    ASSERT_EQ(audio.has_value(), c.plays) << error;
    if (!c.plays) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_NEAR(static_cast<double>(audio->Millis()), 2000, 150);
    int16_t peak = 0;
    for (int16_t v : audio->samples)
      peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(v)));
    EXPECT_GT(peak, 1000);
  }
}

// Looped, the video starts again only once the player says it has ended.
TEST_F(DesktopMediaTest, VideoPlaysToItsEndInItsOwnWindow) {
  dir_.Write("clip.avi", Avi(20), false);
  auto player = Start("player", {Script("", "PLAYAVI clip.avi,True\n")});
  ASSERT_TRUE(WaitUntil([&] {
    return !Shell("xdotool search --onlyvisible --name '^clip.avi$' 2>/dev/null").empty();
  }));
  std::vector<double> plays;
  ASSERT_TRUE(WaitUntil([&] {
    plays.clear();
    for (const auto& r : Mci(ParseTrace(ReadFile(Trace("player"))))) {
      if (r.Arg(0).starts_with("play media")) plays.push_back(r.t);
    }
    return plays.size() >= 3;
  }));
  player.reset();
  // Two seconds of frames, seen ended at the next half-second poll. The
  // first round also loads the file, which on a busy machine takes seconds.
  for (size_t i = 1; i < 3; ++i) EXPECT_GE(plays[i] - plays[i - 1], 1.9);
  EXPECT_LE(plays[1] - plays[0], 10.0);
  EXPECT_LE(plays[2] - plays[1], 4.0);
  EXPECT_EQ(ReadFile(dir_ / "player.out").find("cannot show"), std::string::npos)
      << ReadFile(dir_ / "player.out");
}

}  // namespace
}  // namespace zarn
