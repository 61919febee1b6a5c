#include <gtest/gtest.h>

#include <algorithm>

#include "core/media/bBackdrop.h"
#include "core/media/mediaproc_MediaFiles.h"
#include "ports/MediaCommandPort.h"

namespace zarn {
namespace {

using mediatest::For;
using mediatest::Header;
using mediatest::Join;
using mediatest::kStayAlive;
using mediatest::MediaAndBackdrop;
using mediatest::RunTo;
using mediatest::TimesOf;
using testing::Harness;
using testing::TempFolder;
using V = std::vector<std::string>;

const V kEmptyStop = {"mci status media mode = 263", "mci status media mode = 263"};
const V kFullStop = {"mci status media mode = 0", "mci stop media = 0", "mci status media mode = 0",
                     "mci close media = 0"};

V Start(const std::string& path, const std::string& type) {
  return {"mci close media = 263", "mci open \"" + path + "\" type " + type + " alias media = 0",
          "mci play media = 0"};
}

class MediaFolder {
 public:
  MediaFolder()
      : wave_(dir_.Write("ding dong.wav", mediatest::Wave(1000), false)),
        midi_(dir_.Write("song.mid", mediatest::Midi(700), false)),
        avi_(dir_.Write("clip.avi", mediatest::Avi(25), false)),
        picture_(dir_.Write("pic.bmp", mediatest::Bmp(4, 2), false)) {}
  const TempFolder& Dir() const { return dir_; }
  std::string Script(const std::string& body, const std::string& extra = "") const {
    return dir_.Write("run.zrn", Header(extra) + body);
  }

 protected:
  TempFolder dir_;

 public:
  const std::string wave_, midi_, avi_, picture_;
};

// Every statement, played to the program's end: its command strings in
// order, then what shutdown sends.
TEST(MediaStatements, SendTheCommandStringsInOrder) {
  MediaFolder files;
  const V window_close = Join(Join(kEmptyStop, {"Backdrop close|"}), kEmptyStop);
  struct Case {
    const char* name;
    std::string body;
    V expected;
  };
  const Case cases[] = {
      {"wave, quoted path with blanks", "PLAYWAVE \"ding dong.wav\"\n",
       Join(Start(files.wave_, "waveaudio"), kFullStop)},
      {"looped midi: the window unloads first", "PLAYMIDI song.mid,True\n",
       Join(Join(Join(Start(files.midi_, "sequencer"), kFullStop), {"Backdrop close|"}),
            kEmptyStop)},
      {"avi", "PLAYAVI clip.avi\n", Join(Start(files.avi_, "avivideo"), kFullStop)},
      {"stop with nothing open", "STOPWAVE\n", Join(kEmptyStop, kEmptyStop)},
      {"wave stopped by STOPMIDI", "PLAYWAVE \"ding dong.wav\"\nSTOPMIDI\n",
       Join(Join(Start(files.wave_, "waveaudio"), kFullStop), kEmptyStop)},
      {"midi stopped by STOPAVI", "PLAYMIDI song.mid\nSTOPAVI\n",
       Join(Join(Start(files.midi_, "sequencer"), kFullStop), kEmptyStop)},
      {"missing file", "PLAYWAVE gone.wav\n", kEmptyStop},
      {"colour", "BGCOLOR \"#102030\"\n",
       Join({"Backdrop color|#102030", "Backdrop show|"}, window_close)},
      {"image stays hidden", "BGIMAGE pic.bmp\n",
       Join({"Backdrop image|" + files.picture_ + "|7650|5745|60|30"}, window_close)},
      {"show", "BGSHOW\n", Join({"Backdrop show|"}, window_close)},
      {"hide", "BGHIDE\n", Join({"Backdrop hide|"}, window_close)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(For(files.Script(c.body)));
    h.StartAndRun();
    EXPECT_FALSE(h.Form().Loaded());
    EXPECT_EQ(MediaAndBackdrop(h.Records()), c.expected);
  }
}

// Restarts of the item whose last start is `play_at`, each no earlier than
// its end and no later than half a second after it.
void ExpectLoopsAfter(const std::vector<int64_t>& restarts, int64_t play_at, int64_t length,
                      size_t at_least) {
  ASSERT_GE(restarts.size(), at_least);
  int64_t previous = play_at;
  for (int64_t restart : restarts) {
    SCOPED_TRACE(restart);
    EXPECT_GE(restart, previous + length - 50);
    EXPECT_LE(restart, previous + length + 500);
    previous = restart;
  }
}

TEST(MediaLoop, EachKindRestartsWithinHalfASecondOfItsEnd) {
  MediaFolder files;
  struct Case {
    const char* body;
    int64_t length;
  };
  const Case cases[] = {{"PLAYWAVE \"ding dong.wav\"\nPLAYMIDI song.mid,True\n", 700},
                        {"PLAYMIDI song.mid,True\n", 700},
                        {"PLAYAVI clip.avi,True\n", 1000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    Harness h(For(files.Script(c.body, kStayAlive)));
    h.Start();
    RunTo(h, 6000);
    const auto records = h.Records();
    const auto plays = TimesOf(records, "play media");
    ASSERT_FALSE(plays.empty());
    ExpectLoopsAfter(TimesOf(records, "play media from 1"), plays.back(), c.length, 4);
  }
}

TEST(MediaLoop, ALoopedSongFollowedByAPlainWaveKeepsLooping) {
  MediaFolder files;
  Harness h(For(files.Script("PLAYMIDI song.mid,True\nPLAYWAVE \"ding dong.wav\"\n", kStayAlive)));
  h.Start();
  RunTo(h, 8000);
  const auto records = h.Records();
  const V commands = MediaAndBackdrop(records);
  // Only one item ever sounds: the song is closed before the wave opens.
  const V expected_start = Join(
      Start(files.midi_, "sequencer"),
      {"mci close media = 0", "mci open \"" + files.wave_ + "\" type waveaudio alias media = 0",
       "mci play media = 0"});
  ASSERT_GE(commands.size(), expected_start.size());
  EXPECT_EQ(V(commands.begin(), commands.begin() + static_cast<long>(expected_start.size())),
            expected_start);
  ExpectLoopsAfter(TimesOf(records, "play media from 1"), TimesOf(records, "play media").back(),
                   1000, 5);
  EXPECT_TRUE(h.Loop().HasPending());
}

TEST(MediaLoop, StopOrAFailedStatusQueryEndsTheLoopAndLeavesNothingScheduled) {
  MediaFolder files;
  struct Case {
    const char* name;
    std::string body;
    std::function<void(Harness&)> act;
    const char* last;  // the last command string sent
  };
  const Case cases[] = {
      {"stop statement", "PLAYMIDI song.mid,True\nSTOPMIDI\n", nullptr, "mci close media = 0"},
      {"slot closed behind the loop's back", "PLAYMIDI song.mid,True\n",
       [](Harness& h) {
         std::string reply;
         h.program().ports.media->SendString("close media", reply);
       },
       "mci status media mode = 263"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(For(files.Script(c.body, kStayAlive)));
    h.Start();
    RunTo(h, 1000);
    if (c.act) c.act(h);
    h.RunUntilIdle(60000);
    EXPECT_TRUE(h.Form().Loaded());
    EXPECT_FALSE(h.Loop().HasPending());
    EXPECT_LT(h.Loop().Now(), 60000);
    const auto records = h.Records();
    EXPECT_TRUE(testing::Select(records, "ui", "MessageBox").empty());
    EXPECT_EQ(MediaAndBackdrop(records).back(), c.last);
    EXPECT_TRUE(TimesOf(records, "play media from 1").empty() || c.act);
  }
}

TEST(MediaSlot, AMissingFileLeavesTheCurrentItemPlaying) {
  MediaFolder files;
  Harness h(For(files.Script("PLAYMIDI song.mid\nPLAYWAVE gone.wav\nPLAYMIDI \"\"\n", kStayAlive)));
  h.Start();
  RunTo(h, 300);
  EXPECT_EQ(MediaAndBackdrop(h.Records()), Start(files.midi_, "sequencer"));
  std::string reply;
  EXPECT_EQ(h.program().ports.media->SendString("status media mode", reply), 0);
  EXPECT_EQ(reply, "playing");
}

// A stop finds the slot in some mode and only stops or closes what the
// mode allows.
TEST(MediaSlot, StopFollowsTheDeviceMode) {
  MediaFolder files;
  struct Case {
    const char* name;
    const char* command;  // sent before the stop, if any
    int64_t run_to;
    V expected;
  };
  const Case cases[] = {
      {"finished by itself: closed",
       nullptr,
       3000,
       {"mci status media mode = 0", "mci status media mode = 0", "mci close media = 0"}},
      {"paused: left open",
       "pause media",
       200,
       {"mci pause media = 0", "mci status media mode = 0", "mci status media mode = 0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(For(files.Script("PLAYWAVE \"ding dong.wav\"\n", kStayAlive)));
    h.Start();
    RunTo(h, c.run_to);
    std::string reply;
    if (c.command) h.program().ports.media->SendString(c.command, reply);
    const size_t before = MediaAndBackdrop(h.Records()).size() - (c.command ? 1 : 0);
    bBackdrop::StopAllMedia(h.program());
    const V all = MediaAndBackdrop(h.Records());
    EXPECT_EQ(V(all.begin() + static_cast<long>(before), all.end()), c.expected);
  }
}

// Files the device refuses: the service's text in a warning box, the slot
// closed, no loop, and the script goes on.
TEST(MediaSlot, BadFilesShowTheServiceTextAndTheScriptGoesOn) {
  struct Case {
    const char* name;
    const char* file;
    std::string bytes;
    std::string statement;
    std::string type;
  };
  const Case cases[] = {
      {"truncated wave", "cut.wav", mediatest::Wave(1000).substr(0, 30), "PLAYWAVE cut.wav",
       "waveaudio"},
      {"MIDI track length past the end", "bad.mid", mediatest::Midi(500, 100000),
       "PLAYMIDI bad.mid", "sequencer"},
      {"text named .avi", "notes.avi", "These are my notes.\r\n", "PLAYAVI notes.avi", "avivideo"},
      {"empty wave", "empty.wav", "", "PLAYWAVE empty.wav", "waveaudio"},
      {"empty song, looped", "empty.mid", "", "PLAYMIDI empty.mid,True", "sequencer"},
      {"wave played as a song", "tone.mid", mediatest::Wave(100), "PLAYMIDI tone.mid", "sequencer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::string path = dir.Write(c.file, c.bytes, false);
    Harness h(For(dir.Write("run.zrn", Header(kStayAlive) + c.statement + "\nBGHIDE\n")));
    h.Start();
    h.RunUntilIdle(5000);
    const auto records = h.Records();
    const auto boxes = testing::Select(records, "ui", "MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    const auto opens = TimesOf(records, "open \"" + path + "\" type " + c.type + " alias media");
    ASSERT_EQ(opens.size(), 1u);
    std::string code;
    for (const auto& r : records) {
      if (r.kind == "media" && r.Arg(0).starts_with("open ")) code = r.result;
    }
    ASSERT_NE(code, "0");
    const std::string text = h.program().ports.media->ErrorText(std::stoi(code));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(MediaAndBackdrop(records),
              (V{"mci close media = 263",
                 "mci open \"" + path + "\" type " + c.type + " alias media = " + code,
                 "MessageBox " + text + "|warning|ok|ZARNPlay", "mci close media = 263",
                 "Backdrop hide|"}));
    EXPECT_FALSE(h.Loop().HasPending());
  }
}

}  // namespace
}  // namespace zarn
