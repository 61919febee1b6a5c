#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "app/e2e_selfrun_ChildProcess.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

// Xlib last: its macros (None, Bool) clash with other headers.
#include <X11/Xlib.h>

// Characters on a private Xvfb (tests/desktop/with_display.sh): what the
// screen shows, the window's shape, sliding, dragging, menus and sound.

namespace zarn {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::TempFolder;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
  for (auto until = std::chrono::steady_clock::now() + limit;
       std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(20ms)) {
    if (done()) return true;
  }
  return false;
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

int Field(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

// A mapped window of ours by title ("zarnplay character", "zarnplay balloon").
std::optional<Rect> Mapped(const std::string& title) {
  const std::string info = Shell("xwininfo -name '" + title + "' 2>/dev/null");
  if (info.find("IsViewable") == std::string::npos) return std::nullopt;
  return Rect{Field(info, "Absolute upper-left X:"), Field(info, "Absolute upper-left Y:"),
              Field(info, "Width:"), Field(info, "Height:")};
}

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// The whole screen, read back as raw RGB.
struct Screenshot {
  int width = 1024;
  std::string rgb;
  Rgb At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    if (i + 2 >= rgb.size()) return {-1, -1, -1};
    return {static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(rgb[i + 1]),
            static_cast<uint8_t>(rgb[i + 2])};
  }
};

bool Near(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) < 30;
}

constexpr Rgb kPipYellow{250, 210, 60};
constexpr Rgb kPipRed{200, 40, 40};

class CharacterScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto made =
        RunProcess({ZARNPLAY_EXE, "--make-test-characters", characters_}, {}, dir_.Path());
    ASSERT_EQ(made.exit_code, 0) << made.err;
  }
  void TearDown() override {
    if (player_) {
      kill(player_->Pid(), SIGTERM);
      EXPECT_EQ(player_->Wait(20s), std::optional<int>(0));
    }
  }
  // Runs a script that stays (it has a command) with these lines.
  void Play(const std::string& lines) {
    const std::string script =
        dir_.Write("play.zrn",
                   "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\nLoopy=Loopy.acs\n"
                   "[Commands]\n1=One|~|one\n[Script]\n" +
                       lines);
    player_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{ZARNPLAY_EXE, "--trace", dir_ / "trace.jsonl", script},
        std::map<std::string, std::string>{{"ZARN_CHARACTERS", characters_}}, dir_ / "out.txt");
  }
  Screenshot Grab(const std::string& keep_as = "") {
    // $ZARN_SHOTS keeps the named screenshots for a person to look at.
    if (const char* keep = std::getenv("ZARN_SHOTS"); keep != nullptr && !keep_as.empty()) {
      Shell("import -window root " + std::string(keep) + "/" + keep_as + ".png");
    }
    Shell("import -window root -depth 8 rgb:" + dir_ / "shot.rgb");
    return {1024, ReadFile(dir_ / "shot.rgb")};
  }
  std::vector<testing::TraceLine> Events(const std::string& op) {
    return Select(ParseTrace(ReadFile(dir_ / "trace.jsonl")), "event", op);
  }

  TempFolder dir_;
  std::string characters_ = dir_ / "characters";
  std::unique_ptr<ChildProcess> player_;
};

// A plain window of the test's own, under the character, that counts the
// button presses it gets.
class WindowBelow {
 public:
  WindowBelow(int x, int y, int w, int h) : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) return;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0x808080;
    attributes.event_mask = ButtonPressMask;
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), x, y, w, h, 0, CopyFromParent,
                            InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XMapWindow(display_, window_);
    XSync(display_, False);
  }
  ~WindowBelow() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  int Presses() {
    XSync(display_, False);
    XEvent event;
    while (XCheckWindowEvent(display_, window_, ButtonPressMask, &event)) ++presses_;
    return presses_;
  }

 private:
  Display* display_;
  Window window_ = 0;
  int presses_ = 0;
};

TEST_F(CharacterScreenTest, ShowsAShapedCharacterThatClicksPassBeside) {
  WindowBelow below(250, 250, 300, 300);
  std::this_thread::sleep_for(200ms);
  const Screenshot before = Grab();
  Play("Pip.MoveTo 300, 300, 0\nPip.Show\n");
  ASSERT_TRUE(WaitUntil([] { return Mapped("zarnplay character").has_value(); }));
  ASSERT_TRUE(WaitUntil([&] { return !Events("RequestComplete").empty(); }));
  std::this_thread::sleep_for(1500ms);  // Show has played
  const Rect pip = *Mapped("zarnplay character");
  EXPECT_EQ(pip.x, 300);
  EXPECT_EQ(pip.y, 300);
  EXPECT_EQ(pip.w, 128);
  const Screenshot after = Grab("shown");
  const Rgb body = after.At(330, 380);
  EXPECT_TRUE(Near(body, kPipYellow)) << body.r << " " << body.g << " " << body.b;
  // Beside the body the window below still shows, and so does the rest.
  EXPECT_EQ(after.At(302, 302), before.At(302, 302));
  int changed_outside = 0;
  for (int y = 40; y < 768; y += 3) {
    for (int x = 0; x < 1024; x += 3) {
      if (!pip.Contains(x, y) && !(after.At(x, y) == before.At(x, y))) ++changed_outside;
    }
  }
  EXPECT_EQ(changed_outside, 0);

  const std::string id = Shell("xdotool search --class ZARNCharacter | head -n1");
  const std::string shape = Shell("xwininfo -shape -id " + id);
  const size_t extents = shape.find("Window shape extents:");
  ASSERT_NE(extents, std::string::npos) << shape;
  EXPECT_LT(std::atoi(shape.c_str() + extents + 21), 128) << shape;

  ASSERT_EQ(below.Presses(), 0);
  Shell("xdotool mousemove 302 302 click 1");
  EXPECT_TRUE(WaitUntil([&] { return below.Presses() == 1; }, 5s));
  Shell("xdotool mousemove 364 384 click 1");
  ASSERT_TRUE(WaitUntil([&] { return !Events("Click").empty(); }, 5s));
  EXPECT_EQ(Events("Click")[0].args, (std::vector<std::string>{"1", "0", "364", "384"}));
  EXPECT_EQ(below.Presses(), 1);
}

// How many pixels of a rectangle are close to a colour.
int Count(const Screenshot& shot, const Rect& r, Rgb colour) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h; ++y) {
    for (int x = r.x; x < r.x + r.w; ++x) n += Near(shot.At(x, y), colour) ? 1 : 0;
  }
  return n;
}

// Along the balloon's left edge a cloud goes in and out; a box does not.
int EdgeChanges(const Screenshot& shot, const Rect& r) {
  const Rgb back = shot.At(0, 767);
  int changes = 0;
  bool inside = false;
  for (int y = r.y; y < r.y + r.h; ++y) {
    const bool now = !(shot.At(r.x + 3, y) == back);
    changes += now != inside ? 1 : 0;
    inside = now;
  }
  return changes;
}

TEST_F(CharacterScreenTest, SpeaksWordByWordWithMouthsThenThinksInACloud) {
  Play(
      "Pip.MoveTo 300, 400, 0\nPip.Show\n"
      "Pip.Speak \"Hello there, here are a good many words to say aloud\"\n"
      "Pip.Think \"Hmm, what shall I say next time\"\nPip.MoveTo 600, 20, 0\nPip.Speak "
      "\"Under\"\n");
  std::set<int> text_sizes;
  bool mouth_open = false;
  std::optional<Rect> balloon;
  const Rgb paper{255, 255, 225};
  ASSERT_TRUE(WaitUntil(
      [&] {
        balloon = Mapped("zarnplay balloon");
        if (!balloon) return false;
        const Screenshot shot = Grab();
        if (Near(shot.At(300 + 64, 400 + 52), kPipRed)) mouth_open = true;
        const int paper_pixels = Count(shot, *balloon, paper);
        if (paper_pixels > 0) text_sizes.insert(balloon->w * balloon->h - paper_pixels);
        return mouth_open && text_sizes.size() >= 3;
      },
      15s));
  Grab("speaking");
  // Above Pip, its tail reaching down to it.
  EXPECT_LT(balloon->y + balloon->h, 400 + 20);
  EXPECT_GT(Count(Grab(), *balloon, Rgb{0, 0, 0}), 20);  // text

  ASSERT_TRUE(WaitUntil(
      [&] {
        balloon = Mapped("zarnplay balloon");
        if (!balloon) return false;
        return EdgeChanges(Grab("thinking"), *balloon) >= 6;
      },
      15s));
  // Near the top of the screen the balloon hangs below the character.
  ASSERT_TRUE(WaitUntil(
      [&] {
        balloon = Mapped("zarnplay balloon");
        return balloon && balloon->x > 500 && balloon->y > 20 + 100;
      },
      15s));
  Grab("below");
}

// Drawn at half size; CenterX comes from the real screen (1024 pixels wide)
// and the character as loaded (128).
TEST_F(CharacterScreenTest, MoveToSlidesOverItsDurationAtTheSizeSet) {
  Play(
      "Pip.Width=64\nPip.Height=64\nPip.MoveTo 100, 300, 0\nPip.Show\n"
      "Pip.MoveTo PipCenterX, 300, 2000\n");
  std::vector<int> xs;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (auto pip = Mapped("zarnplay character")) {
          if (xs.empty() || xs.back() != pip->x) xs.push_back(pip->x);
        }
        return !xs.empty() && xs.back() == 1024 / 2 - 64;
      },
      20s));
  // From 100 to the centre in steps, never backwards.
  EXPECT_EQ(xs.front(), 100);
  EXPECT_GE(xs.size(), 10u);
  EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
  const Rect pip = *Mapped("zarnplay character");
  EXPECT_EQ(pip.w, 64);
  EXPECT_EQ(pip.h, 64);
}

TEST_F(CharacterScreenTest, DraggingMovesTheCharacterAndItsMenuHidesIt) {
  Play("Pip.MoveTo 300, 300, 0\nPip.Show\n");
  ASSERT_TRUE(WaitUntil([&] { return !Events("RequestComplete").empty(); }));
  std::this_thread::sleep_for(1500ms);
  Shell(
      "xdotool mousemove 364 384 mousedown 1 mousemove 380 390 mousemove 450 420 "
      "mousemove 500 450 mouseup 1");
  ASSERT_TRUE(WaitUntil([&] { return !Events("Move").empty(); }, 5s));
  EXPECT_EQ(Events("Move")[0].args, (std::vector<std::string>{"436", "366", "1"}));
  EXPECT_EQ(Events("DragStart").size(), 1u);
  EXPECT_EQ(Events("DragComplete")[0].args, (std::vector<std::string>{"1", "0", "500", "450"}));
  EXPECT_TRUE(Events("Click").empty());
  const Rect pip = *Mapped("zarnplay character");
  EXPECT_EQ(pip.x, 436);
  EXPECT_EQ(pip.y, 366);

  // The right button opens the menu: the command, the program's items, Hide.
  Shell("xdotool mousemove 500 450 click 3");
  ASSERT_TRUE(WaitUntil(
      [] { return !Shell("xdotool search --onlyvisible --class zarnplay").empty(); }, 5s));
  Grab("menu");
  // "Voice Commands..." says what can be said: the script's one command.
  Shell("xdotool key v");
  ASSERT_TRUE(WaitUntil(
      [] { return !Shell("xdotool search --onlyvisible --name '^Voice Commands$'").empty(); }, 5s));
  Grab("voice-commands");
  Shell("xdotool key Return");
  ASSERT_TRUE(WaitUntil(
      [] { return Shell("xdotool search --onlyvisible --name '^Voice Commands$'").empty(); }, 5s));
  // On a loaded machine the menu may not have the keyboard yet when "h" is
  // typed (the window search also finds the character): the menu is
  // closed and opened again, a few times at most.
  bool hidden = false;
  for (int attempt = 0; attempt < 3 && !hidden; ++attempt) {
    Shell("xdotool key Escape mousemove 500 450 click 3");
    ASSERT_TRUE(WaitUntil(
        [] { return !Shell("xdotool search --onlyvisible --class zarnplay").empty(); }, 5s));
    std::this_thread::sleep_for(500ms);
    Shell("xdotool key h");
    hidden = WaitUntil([&] { return !Events("Hide").empty(); }, 4s);
  }
  ASSERT_TRUE(hidden);
  EXPECT_EQ(Events("Hide")[0].args, (std::vector<std::string>{"7"}));
}

TEST_F(CharacterScreenTest, FrameSoundsReachTheAudioOutput) {
  ASSERT_NE(Shell("pactl info 2>/dev/null").find("nullsink"), std::string::npos)
      << "with_display.sh starts a PulseAudio null sink";
  Play("Loopy.Show\nLoopy.Play \"Chime\"\n");
  EXPECT_TRUE(WaitUntil([] { return !Shell("pactl list short sink-inputs").empty(); }, 15s));
}

}  // namespace
}  // namespace zarn
