#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "desktop/desktop_fixture.h"
#include "desktop/sink_recording.h"
#include "platform/desktop/MidiRenderer.h"
#include "support/TraceReader.h"

// Last: its macros would upset the headers above.
#include <X11/Xlib.h>

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::Shell;
using testing::SinkRecording;
using testing::Slice;
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

// A note every second for `seconds` (format 0, 480 ticks a beat at 120 bpm).
std::string LongSong(int seconds) {
  std::string track("\x00\xC0\x00", 3);
  for (int i = 0; i < seconds; ++i) {
    track += i ? std::string("\x83\x60", 2) : std::string(1, '\0');
    track += std::string("\x90\x3C\x60\x83\x60\x80\x3C\x40", 8);
  }
  track += std::string("\x00\xFF\x2F\x00", 4);
  std::string b("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0MTrk", 18);
  for (int shift : {24, 16, 8, 0}) b += static_cast<char>((track.size() >> shift) & 0xFF);
  return b + track;
}

// Uncompressed 32 x 24 frames at 10 a second, with an index; `codec`
// names another compression (whose frames no decoder will take).
std::string Avi(uint32_t frames, uint32_t width = 32, uint32_t height = 24,
                const std::string& codec = "") {
  const uint32_t size = width * height * 3;
  std::string avih, strh, strf, movi, idx1;
  for (uint32_t v :
       {100000u, size * 10, 0u, 0x10u, frames, 0u, 1u, size, width, height, 0u, 0u, 0u, 0u}) {
    Le(avih, v, 4);
  }
  strh = "vids" + (codec.empty() ? std::string("DIB ") : codec);
  for (uint32_t v : {0u, 0u, 0u, 1u, 10u, 0u, frames, size, 0xFFFFFFFFu, 0u}) Le(strh, v, 4);
  for (uint32_t v : {0u, 0u, width, height}) Le(strh, v, 2);
  for (uint32_t v : {40u, width, height}) Le(strf, v, 4);
  Le(strf, 1, 2);
  Le(strf, 24, 2);
  if (codec.empty()) {
    Le(strf, 0, 4);
  } else {
    strf += codec;
  }
  for (uint32_t v : {size, 0u, 0u, 0u, 0u}) Le(strf, v, 4);
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

// What a window manager sends when the user clicks a window's close box.
void AskToClose(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XCloseDisplay(display);
}

// A tenth of a second that sounded.
bool Loud(const Slice& s) { return s.loudness > 200; }

// Runs of loud slices as (first slice, length).
std::vector<std::pair<size_t, size_t>> Sounds(const std::vector<Slice>& slices) {
  std::vector<std::pair<size_t, size_t>> runs;
  for (size_t i = 0; i < slices.size(); ++i) {
    if (!Loud(slices[i])) continue;
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
  for (const Slice& s : slices) out += !Loud(s) ? '.' : s.crossings_per_second < 1500 ? 'o' : '^';
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
  std::unique_ptr<ChildProcess> StartWith(const std::string& script,
                                          const std::map<std::string, std::string>& extra) {
    auto env = Environment();
    env.insert(extra.begin(), extra.end());
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{ZARNPLAY_EXE, "--trace", Trace("player"), script}, env,
        dir_ / "player.out");
  }
  // The media message boxes the trace shows (the box stays up: nothing
  // answers it).
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& r :
         testing::Select(ParseTrace(ReadFile(Trace("player"))), "ui", "MessageBox")) {
      out.push_back(r.Arg(0));
    }
    return out;
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

// Every wave kind libsndfile reads is heard whole; what cannot be played
// (an encoding nobody reads, a song without a sound font, a video no
// decoder takes) gets the media error box and stays silent, as a file that
// cannot be opened does headless.
TEST_F(DesktopMediaTest, WhatCanBePlayedIsHeardAndWhatCannotSaysSo) {
  Shell("sox -n -r 22050 -c 1 -b 16 '" + dir_ / "pcm.wav" + "' synth 1 sine 1000");
  std::string unknown = ReadFile(dir_ / "pcm.wav");
  unknown[20] = '\x34';  // the format tag: 0x1234
  unknown[21] = '\x12';
  dir_.Write("unknown.wav", unknown, false);
  dir_.Write("song.mid", Song(), false);
  dir_.Write("odd.avi", Avi(20, 32, 24, "ZZZZ"), false);
  const std::string cannot = "The file cannot be played by this media device";
  const struct {
    const char* line;
    std::map<std::string, std::string> env;
    const char* box;  // none: heard for its two seconds
  } cases[] = {
      {"PLAYWAVE p24.wav", {}, nullptr},
      {"PLAYWAVE float.wav", {}, nullptr},
      {"PLAYWAVE ulaw.wav", {}, nullptr},
      {"PLAYWAVE alaw.wav", {}, nullptr},
      {"PLAYWAVE unknown.wav", {}, cannot.c_str()},
      {"PLAYMIDI song.mid", {{"ZARN_SOUND_FONT", "/nowhere/none.sf2"}}, "no MIDI output"},
      {"PLAYAVI odd.avi", {}, cannot.c_str()},
  };
  Shell("sox -n -r 22050 -c 1 -b 24 '" + dir_ / "p24.wav" + "' synth 2 sine 1000 vol 0.5");
  Tone("float.wav", "floating-point", 2.0);
  Tone("ulaw.wav", "u-law", 2.0);
  Tone("alaw.wav", "a-law", 2.0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::filesystem::remove(Trace("player"));
    SinkRecording recording(dir_ / "sink.raw");
    auto player = StartWith(Script("", std::string(c.line) + "\n"), c.env);
    if (c.box) {
      // The box is traced once it is answered.
      std::string box;
      ASSERT_TRUE(WaitUntil(
          [&] {
            box = Shell("xdotool search --onlyvisible --name '^ZARNPlay$' 2>/dev/null");
            return !box.empty();
          },
          30s))
          << ReadFile(dir_ / "player.out");
      std::this_thread::sleep_for(1s);
      Shell("xdotool windowfocus --sync " + box.substr(0, box.find('\n')) + " key Return");
      ASSERT_TRUE(WaitUntil([&] { return !Boxes().empty(); }, 10s));
      EXPECT_NE(Boxes()[0].find(c.box), std::string::npos) << Boxes()[0];
    } else {
      ASSERT_TRUE(WaitUntil([&] { return TraceHas("\"play media\""); }, 30s));
    }
    // The monitor's last seconds reach the file only after a while.
    std::this_thread::sleep_for(5s);
    const auto slices = recording.Stop();
    player.reset();
    SCOPED_TRACE(Picture(slices));
    const auto sounds = Sounds(slices);
    if (c.box) {
      EXPECT_TRUE(sounds.empty());
      EXPECT_EQ(Boxes().size(), 1u);
      continue;
    }
    // Heard (the monitor's recording may begin after the tone did), and
    // no longer than the tone.
    ASSERT_EQ(sounds.size(), 1u) << ReadFile(dir_ / "player.out");
    EXPECT_GE(sounds[0].second, 5u);
    EXPECT_LE(sounds[0].second, 23u);
    EXPECT_NEAR(MedianCrossings(slices, sounds[0]), 2000, 200);
  }
}

// A quarter-hour song starts at once and sounds while the character goes
// on moving: nothing waits for the song to be synthesized.
TEST_F(DesktopMediaTest, ALongSongPlaysAsTheCharacterKeepsMoving) {
  dir_.Write("long.mid", LongSong(900), false);
  SinkRecording recording(dir_ / "sink.raw");
  auto player =
      Start("player", {Script("", "Pip.Show\nPLAYMIDI long.mid\nPip.MoveTo 800, 500, 8000\n")});
  ASSERT_TRUE(WaitUntil([&] { return TraceHas("MoveTo"); }, 60s)) << ReadFile(dir_ / "player.out");
  const auto mci = Mci(ParseTrace(ReadFile(Trace("player"))));
  const auto open = std::find_if(mci.begin(), mci.end(),
                                 [](const TraceLine& r) { return r.Arg(0).starts_with("open"); });
  ASSERT_NE(open, mci.end());
  ASSERT_NE(open, mci.begin());
  EXPECT_LT(open->t - std::prev(open)->t, 5.0) << "the song's open took that long";
  // The window moves from one second to the next while the song plays.
  const auto x = [] {
    const std::string id = Shell("xdotool search --onlyvisible --class ZARNCharacter | head -n1");
    const std::string geometry = Shell("xdotool getwindowgeometry " + id);
    const size_t at = geometry.find("Position: ");
    return at == std::string::npos ? -1 : std::stoi(geometry.substr(at + 10));
  };
  // Once the move has begun (after the Show), every second finds it
  // elsewhere.
  int last = x();
  ASSERT_TRUE(WaitUntil([&] { return x() != last; }, 10s));
  std::vector<int> seen{x()};
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(1s);
    seen.push_back(x());
  }
  const auto slices = recording.Stop();
  player.reset();
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_NE(seen[i], seen[i - 1]) << i;
  // The song's notes (half a second on, half off) are heard meanwhile.
  EXPECT_GE(Sounds(slices).size(), 3u) << Picture(slices);
}

// The window takes the clip's size; closing it silences the item and ends
// it as a stop command does, so a looped clip does not come back.
TEST_F(DesktopMediaTest, ClosingTheVideoWindowStopsTheItem) {
  dir_.Write("clip.avi", Avi(100, 160, 120), false);
  auto player = Start("player", {Script("", "PLAYAVI clip.avi,True\n")});
  std::string id;
  ASSERT_TRUE(WaitUntil([&] {
    id = Shell("xdotool search --onlyvisible --name '^clip.avi$' 2>/dev/null");
    return !id.empty();
  }));
  id = id.substr(0, id.find('\n'));
  const std::string geometry = Shell("xdotool getwindowgeometry " + id);
  EXPECT_NE(geometry.find("Geometry: 160x120"), std::string::npos) << geometry;
  std::this_thread::sleep_for(1s);
  // A look at it for whoever asks (ZARN_VIDEO_SHOT=path.png).
  if (const char* shot = std::getenv("ZARN_VIDEO_SHOT")) {
    Shell("import -window root '" + std::string(shot) + "'");
  }
  AskToClose(std::stoul(id));
  // The start's own close came first; the stop sequence's ends the item.
  const auto commands = [&] {
    std::vector<std::string> out;
    for (const auto& r : Mci(ParseTrace(ReadFile(Trace("player"))))) out.push_back(r.Arg(0));
    return out;
  };
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto c = commands();
        return std::count(c.begin(), c.end(), "close media") == 2;
      },
      5s))
      << ::testing::PrintToString(commands());
  std::this_thread::sleep_for(1s);
  const auto c = commands();
  player.reset();
  const auto close =
      std::find(std::next(std::find(c.begin(), c.end(), "close media")), c.end(), "close media");
  EXPECT_TRUE(
      std::none_of(close, c.end(), [](const std::string& s) { return s.starts_with("play"); }));
  EXPECT_TRUE(Shell("xdotool search --onlyvisible --name '^clip.avi$' 2>/dev/null").empty());
}

}  // namespace
}  // namespace zarn
