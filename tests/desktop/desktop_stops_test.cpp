#include <signal.h>

#include <optional>
#include <sstream>

#include "desktop/desktop_fixture.h"
#include "desktop/sink_recording.h"
#include "support/TraceReader.h"

// Xlib last: its macros (None, Bool) clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// What a person sees and hears when a character is stopped, dragged or
// plays frames without pictures, on a private Xvfb with a null sink.

namespace zarn {
namespace {

using testing::ChildProcess;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::Select;
using testing::Shell;
using testing::SinkRecording;
using testing::Slice;
using testing::WaitUntil;
using namespace std::chrono_literals;

struct Place {
  int x = 0, y = 0;
  bool operator==(const Place&) const = default;
};

int Field(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

// Where the mapped character window `width` pixels wide is (Pip 128, Loopy 64).
std::optional<Place> MappedCharacter(int width = 128) {
  std::istringstream ids(Shell("xdotool search --onlyvisible --name '^zarnplay character$'"));
  for (std::string id; ids >> id;) {
    const std::string info = Shell("xwininfo -id " + id + " 2>/dev/null");
    if (Field(info, "Width:") != width || info.find("IsViewable") == std::string::npos) continue;
    return Place{Field(info, "Absolute upper-left X:"), Field(info, "Absolute upper-left Y:")};
  }
  return std::nullopt;
}

bool BalloonShown() {
  return !Shell("xdotool search --onlyvisible --name '^zarnplay balloon$'").empty();
}

// The seconds (from the recording's start) of every 50 ms stretch with a
// voice in it.
std::vector<double> Voiced(SinkRecording& sound) {
  constexpr auto kStretch = 50ms;
  const std::vector<Slice> slices = sound.Stop(kStretch);
  std::vector<double> voiced;
  for (size_t i = 0; i < slices.size(); ++i) {
    if (slices[i].loudness > 300) voiced.push_back(i * (kStretch.count() / 1000.0));
  }
  return voiced;
}

class StopsTest : public DesktopTest {
 protected:
  void TearDown() override {
    if (player_ && player_->Running()) {
      kill(player_->Pid(), SIGTERM);
      EXPECT_EQ(player_->Wait(20s), std::optional<int>(0));
    }
  }
  void Play(const std::string& sections) {
    const std::string script = dir_.Write(
        "stops.zrn",
        "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\nLoopy=Loopy.acs\n" + sections);
    player_ = Start("stops", {script});
  }
  std::vector<testing::TraceLine> Events(const std::string& op) {
    return Select(ParseTrace(ReadFile(Trace("stops"))), "event", op);
  }
  // $ZARN_SHOTS keeps screenshots for a person to look at.
  static void Shot(const std::string& name) {
    if (const char* keep = std::getenv("ZARN_SHOTS")) {
      Shell("import -window root " + std::string(keep) + "/" + name + ".png");
    }
  }
  std::unique_ptr<ChildProcess> player_;
};

// Loopy's bookmark stops Pip in the middle of a slide, then Pip's own stops
// it in the middle of a long sentence: the slide halts where it is and the
// next move starts from there, the voice falls silent and the balloon goes.
TEST_F(StopsTest, AStopSilencesTheVoiceTakesTheBalloonDownAndHaltsTheSlide) {
  ASSERT_NE(Shell("pactl info 2>/dev/null").find("nullsink"), std::string::npos);
  SinkRecording sound(dir_ / "voice.raw");
  Play(
      "[Commands]\n1=One|~|one\n[Bookmarks]\n1=\n2=\n"
      "[BookmarkScript:1]\nPip.StopAll\n"
      "Pip.Speak \"Listen to me for a little while \\Mrk=2\\ now, for this sentence goes on and on "
      "for a long while, "
      "word after word after word, until nobody remembers how it started at all.\"\n"
      "[BookmarkScript:2]\nPip.StopAll\nPip.MoveTo Pip.Left, Pip.Top + 200, 3000\n"
      "[Script]\nLoopy.Balloon.Style=0\nLoopy.MoveTo 700, 600, 0\nPip.MoveTo 100, 200, 0\n"
      "Pip.Show\nPip.MoveTo 900, 200, 6000\nLoopy.Show\n"
      "Loopy.Think \"One, two, three, four, five, six \\Mrk=1\\\"\n");
  ASSERT_TRUE(WaitUntil([&] { return !Events("Bookmark").empty(); }));
  std::this_thread::sleep_for(300ms);
  const std::optional<Place> halted = MappedCharacter();
  ASSERT_TRUE(halted);
  EXPECT_GT(halted->x, 100);
  EXPECT_LT(halted->x, 700);
  ASSERT_TRUE(WaitUntil([&] { return Events("Bookmark").size() == 2; }));
  const auto stopped_at = std::chrono::steady_clock::now();
  // The balloon goes within its hide delay, the new move slides straight
  // down from where Pip stood.
  std::vector<Place> path;
  bool balloon_gone = false;
  WaitUntil(
      [&] {
        if (auto at = MappedCharacter()) path.push_back(*at);
        if (!balloon_gone && !BalloonShown()) {
          balloon_gone = true;
          Shot("stopped-sentence");
        }
        return std::chrono::steady_clock::now() - stopped_at > 4s;
      },
      6s);
  EXPECT_TRUE(balloon_gone);
  ASSERT_FALSE(path.empty());
  for (const Place& at : path) EXPECT_EQ(at.x, halted->x);
  EXPECT_EQ(path.back(), (Place{halted->x, halted->y + 200}));
  // Every voice stopped with Pip's: no more than a second and a half of
  // speech in all, where the sentence alone would take ten.
  const std::vector<double> voiced = Voiced(sound);
  ASSERT_FALSE(voiced.empty());
  EXPECT_LT(voiced.back() - voiced.front(), 3.0) << voiced.front() << " to " << voiced.back();
  for (const auto& done : Events("RequestComplete")) {
    EXPECT_TRUE(done.status == 0 || done.status == 3) << done.raw;
  }
}

// The user drags Pip off a slide: it stays where it was dropped, the move
// queued behind fails while the frame is held, and a Hide and Show from
// the menu show it at the same place (where the program thinks it is).
TEST_F(StopsTest, ADragTakesOverAScriptedMoveAndBlocksMoves) {
  Play(
      "[Commands]\n1=&Again|~|again\n[CommandScript:1]\nPip.Hide\nPip.Show\n"
      "[Script]\nPip.MoveTo 100, 200, 0\nPip.Show\nPip.MoveTo 900, 200, 6000\n"
      "Pip.MoveTo 20, 20, 0\n");
  std::optional<Place> at;
  ASSERT_TRUE(WaitUntil([&] { return (at = MappedCharacter()) && at->x > 200; }));
  const int grab_x = at->x + 64 + 20;
  Shell("xdotool mousemove " + std::to_string(grab_x) + " 284 mousedown 1 sleep 0.1 mousemove " +
        std::to_string(grab_x + 10) + " 300 sleep 0.1 mousemove 400 500 sleep 1 mouseup 1");
  ASSERT_TRUE(WaitUntil([&] { return !Events("Move").empty(); }, 5s));
  const auto move = Events("Move")[0];
  const Place dropped{std::stoi(move.Arg(0)), std::stoi(move.Arg(1))};
  EXPECT_EQ(move.Arg(2), "1");
  std::this_thread::sleep_for(6s);  // the slide would be over by now
  EXPECT_EQ(MappedCharacter(), std::optional<Place>(dropped));
  int failed = 0;
  for (const auto& done : Events("RequestComplete")) failed += done.status == 1 ? 1 : 0;
  EXPECT_EQ(failed, 2);

  bool again = false;
  for (int attempt = 0; attempt < 3 && !again; ++attempt) {
    Shell("xdotool key Escape mousemove " + std::to_string(dropped.x + 64) + " " +
          std::to_string(dropped.y + 84) + " click 3");
    std::this_thread::sleep_for(700ms);
    Shell("xdotool key a");
    again = WaitUntil([&] { return Events("Show").size() == 2; }, 4s);
  }
  ASSERT_TRUE(again);
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(MappedCharacter(), std::optional<Place>(dropped));
}

// Holding the listening key silences Pip at once to hear the user: what
// it was saying ends as interrupted (and the end-of-script marker behind
// it), its voice and balloon go. A pipe source is the microphone.
TEST_F(StopsTest, TheListeningKeyFlushesWhatTheCharacterWasSaying) {
  ASSERT_NE(Shell("pactl info 2>/dev/null").find("nullsink"), std::string::npos);
  const std::string mic =
      Shell("pactl load-module module-pipe-source source_name=mic file=" + dir_ / "mic.fifo" +
            " format=s16le rate=16000 channels=1");
  ASSERT_FALSE(mic.empty());
  Shell("pactl set-default-source mic");
  Play(
      "[Commands]\n1=One|~|one\n[Script]\nPip.MoveTo 300, 300, 0\nPip.Show\n"
      "Pip.Speak \"This sentence goes on and on for a long while, word after word after "
      "word, until nobody remembers how it started at all.\"\n");
  ASSERT_TRUE(WaitUntil([&] { return BalloonShown(); }));
  SinkRecording sound(dir_ / "voice.raw");
  std::this_thread::sleep_for(500ms);
  Shell("xdotool keydown Scroll_Lock sleep 0.5 keyup Scroll_Lock");
  ASSERT_TRUE(WaitUntil([&] { return !Events("ListenStart").empty(); }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return !BalloonShown(); }, 3s));
  std::this_thread::sleep_for(2s);
  const std::vector<double> voiced = Voiced(sound);
  ASSERT_FALSE(voiced.empty());
  EXPECT_LT(voiced.back(), 2.0);  // the sentence would go on for seconds
  std::vector<int64_t> statuses;
  for (const auto& done : Events("RequestComplete")) statuses.push_back(done.status.value_or(-1));
  EXPECT_EQ(statuses, (std::vector<int64_t>{0, 0, 3, 3}));
  Shell("pactl unload-module " + mic);
}

// Think on a hidden character shows nothing, as Speak there does.
TEST_F(StopsTest, ThinkOnAHiddenCharacterShowsNoCloud) {
  Play("[Commands]\n1=One|~|one\n[Script]\nPip.Think \"Where am I?\"\n");
  bool cloud = false;
  WaitUntil(
      [&] {
        cloud = cloud || BalloonShown();
        return cloud;
      },
      4s);
  EXPECT_FALSE(cloud);
  ASSERT_TRUE(WaitUntil([&] { return !Events("RequestComplete").empty(); }));
  EXPECT_EQ(Events("RequestComplete")[0].status, std::optional<int64_t>(1));
}

// Loopy's Wave goes through a frame without images to one with, and ends
// on another: the window stays mapped from its Show on, showing pixels.
TEST_F(StopsTest, FramesWithoutImagesLeaveTheCharacterMapped) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  Play(
      "[Commands]\n1=One|~|one\n[Script]\nLoopy.MoveTo 300, 300, 0\nLoopy.Show\n"
      "Loopy.Play \"Wave\"\nLoopy.Play \"Wave\"\nLoopy.Play \"Chime\"\n");
  int maps = 0;
  int unmaps = 0;
  const auto count = [&] {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify && event.type != UnmapNotify) continue;
      const Window window = event.type == MapNotify ? event.xmap.window : event.xunmap.window;
      XClassHint hint{};
      if (XGetClassHint(display, window, &hint) == 0) continue;
      if (std::string(hint.res_class) == "ZARNCharacter") {
        (event.type == MapNotify ? maps : unmaps) += 1;
      }
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
  };
  ASSERT_TRUE(WaitUntil([&] { return Events("RequestComplete").size() >= 4; }, 20s));
  std::this_thread::sleep_for(1s);
  count();
  EXPECT_EQ(maps, 1);
  EXPECT_EQ(unmaps, 0);
  EXPECT_TRUE(MappedCharacter(64));
  Shot("after-wave");
  XCloseDisplay(display);
}

}  // namespace
}  // namespace zarn
