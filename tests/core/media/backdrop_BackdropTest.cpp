#include <gtest/gtest.h>

#include "app/HeadlessActions.h"
#include "core/media/bBackdrop.h"
#include "core/media/mediaproc_MediaFiles.h"

namespace zarn {
namespace {

using mediatest::For;
using mediatest::Header;
using mediatest::kStayAlive;
using mediatest::MediaAndBackdrop;
using mediatest::RunTo;
using mediatest::TimesOf;
using testing::Harness;
using testing::TempFolder;
using V = std::vector<std::string>;

V BeforeShutdown(Harness& h) { return MediaAndBackdrop(h.Records(), true); }

TEST(BackdropColor, SpellingsAndBadDigits) {
  const std::string advice =
      " is an invalid color.\r\n\r\nColors are specified using HTML format like #FF0000 for Red "
      "and #0000FF for Blue, etc.|warning|ok|ZARNPlay";
  struct Case {
    std::string argument;
    V expected;
  };
  const Case cases[] = {
      {"\"#ff8000\"", {"Backdrop color|#FF8000", "Backdrop show|"}},
      {"FF8000", {"Backdrop color|#FF8000", "Backdrop show|"}},
      {"\"&HFF8000\"", {"Backdrop color|#FF8000", "Backdrop show|"}},
      {"\"#F\"", {"Backdrop color|#F00000", "Backdrop show|"}},
      {"\"#GG0000\"", {"MessageBox '0000GG'" + advice, "Backdrop color|#000000", "Backdrop show|"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    TempFolder dir;
    Harness h(For(dir.Write("run.zrn", Header() + "BGCOLOR " + c.argument + "\n")));
    h.StartAndRun();
    EXPECT_EQ(BeforeShutdown(h), c.expected);
  }
}

TEST(BackdropImage, FitsTheScreenAndCentres) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string placement;  // left|top|width|height in twips
    bool stretch;
  };
  // The screen is 1600 x 1200 pixels: 24000 x 18000 twips.
  const Case cases[] = {
      {"small: natural size", mediatest::Bmp(4, 2), "11970|8985|60|30", false},
      {"exactly the screen", mediatest::Gif(1600, 1200), "0|0|24000|18000", false},
      {"twice as wide: halved", mediatest::Gif(3200, 1200), "0|4500|24000|9000", true},
      {"twice as tall: halved", mediatest::Gif(800, 2400), "9000|0|6000|18000", true},
      {"odd sizes round, halves drop the remainder", mediatest::Gif(3001, 1000),
       "0|5001|24000|7997", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::string picture = dir.Write("picture.img", c.bytes, false);
    Harness h(For(dir.Write("run.zrn", Header(kStayAlive) + "BGIMAGE picture.img\nBGSHOW\n"), 1600,
                  1200));
    h.Start();
    h.RunUntilIdle(1000);
    EXPECT_EQ(BeforeShutdown(h),
              (V{"Backdrop image|" + picture + "|" + c.placement, "Backdrop show|"}));
    const int shown = h.Backdrop().Element(0).visible ? 0 : 1;
    EXPECT_EQ(h.Backdrop().Element(shown).stretch, c.stretch);
  }
}

TEST(BackdropImage, ReplacingAndRefusedPictures) {
  const std::string refused = " is not a supported image file.|information|ok|ZARNPlay";
  struct Case {
    const char* name;
    std::string body;
    std::string visible;  // the picture shown afterwards, "" for none
    V messages;           // paths whose refusal is reported
  };
  const Case cases[] = {
      {"second replaces the first", "BGIMAGE a.bmp\nBGIMAGE b.gif\n", "b.gif", {}},
      {"text file", "BGIMAGE notes.png\n", "", {"notes.png"}},
      {"empty file", "BGIMAGE empty.bmp\n", "", {"empty.bmp"}},
      {"a refused picture leaves none", "BGIMAGE a.bmp\nBGIMAGE notes.png\n", "", {"notes.png"}},
      {"missing file changes nothing", "BGIMAGE a.bmp\nBGIMAGE gone.bmp\n", "a.bmp", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    dir.Write("a.bmp", mediatest::Bmp(2, 2), false);
    dir.Write("b.gif", mediatest::Gif(10, 10), false);
    dir.Write("notes.png", "Remember the milk.\r\n", false);
    dir.Write("empty.bmp", "", false);
    Harness h(For(dir.Write("run.zrn", Header(kStayAlive) + c.body)));
    h.Start();
    h.RunUntilIdle(1000);
    // Never shown: no BGSHOW or BGCOLOR ran.
    EXPECT_TRUE(h.Backdrop().Loaded());
    EXPECT_FALSE(h.Backdrop().Visible());
    V shown;
    for (int i : {0, 1}) {
      const auto& element = h.Backdrop().Element(i);
      if (element.visible) {
        shown.push_back(element.path);
      } else {
        EXPECT_EQ(element.path, "") << "hidden elements are emptied";
      }
    }
    EXPECT_EQ(shown, c.visible.empty() ? V{} : V{dir / c.visible});
    V boxes;
    for (const auto& line : BeforeShutdown(h)) {
      if (line.starts_with("MessageBox ")) boxes.push_back(line);
    }
    V expected_boxes;
    for (const auto& name : c.messages)
      expected_boxes.push_back("MessageBox " + dir / name + refused);
    EXPECT_EQ(boxes, expected_boxes);
  }
}

TEST(BackdropImage, AMissingFileDoesNothingAtAll) {
  TempFolder dir;
  Harness h(For(dir.Write("run.zrn", Header(kStayAlive) + "BGIMAGE gone.png\n")));
  h.Start();
  h.RunUntilIdle(1000);
  EXPECT_EQ(BeforeShutdown(h), V{});
  EXPECT_FALSE(h.Backdrop().Loaded());
}

// The user acts on a backdrop that carries a looping song.
TEST(BackdropWindow, UserActions) {
  const V closing = {"mci status media mode = 0", "mci stop media = 0", "mci status media mode = 0",
                     "mci close media = 0", "Backdrop close|"};
  struct Case {
    const char* name;
    V actions;
    V expected;  // what the actions add to the trace
    bool closes;
  };
  const Case cases[] = {
      {"right-click with shift: no menu", {"rightclick shift"}, {}, false},
      {"right-click with ctrl: no menu", {"rightclick ctrl"}, {}, false},
      {"right-click with alt: no menu", {"rightclick alt"}, {}, false},
      {"right-click, menu dismissed", {"rightclick"}, {"Backdrop menu|"}, false},
      {"glyph not revealed yet", {"glyph"}, {}, false},
      {"double-click reveals the glyph", {"dblclick", "dblclick"}, {"Backdrop glyph|shown"}, false},
      {"menu Close", {"menu Close"}, mediatest::Join({"Backdrop menu|Close"}, closing), true},
      {"glyph", {"dblclick", "glyph"}, mediatest::Join({"Backdrop glyph|shown"}, closing), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    dir.Write("song.mid", mediatest::Midi(700), false);
    Harness h(For(dir.Write("run.zrn",
                            Header(kStayAlive) + "BGCOLOR \"#000080\"\nPLAYMIDI song.mid,True\n")));
    h.Start();
    RunTo(h, 1000);
    const size_t before = BeforeShutdown(h).size();
    // Through the --act path, as the program wires it.
    HeadlessActions actions(h.Desktop(), h.Loop());
    actions.BackdropAction = [&h](const std::string& what) { return h.Backdrop().Perform(what); };
    for (const auto& action : c.actions) EXPECT_TRUE(actions.Perform("backdrop " + action));
    const V after = BeforeShutdown(h);
    EXPECT_EQ(V(after.begin() + static_cast<long>(before), after.end()), c.expected);
    EXPECT_EQ(h.Backdrop().Loaded(), !c.closes);

    // Closing ends the loop: nothing is left to run.
    h.RunUntilIdle(60000);
    EXPECT_EQ(h.Loop().HasPending(), !c.closes);
    if (c.closes) {
      const auto records = h.Records();
      const auto restarts = TimesOf(records, "play media from 1");
      const auto closed = TimesOf(records, "close media");
      EXPECT_TRUE(restarts.empty() || restarts.back() <= closed.back());
    }
  }
}

TEST(BackdropWindow, AfterClosingTheNextUseMakesAFreshWindow) {
  TempFolder dir;
  Harness h(For(dir.Write("run.zrn", Header(kStayAlive) + "BGCOLOR \"#000080\"\n")));
  h.Start();
  h.RunUntilIdle(1000);
  EXPECT_TRUE(h.Backdrop().Perform("dblclick"));
  EXPECT_TRUE(h.Backdrop().Perform("glyph"));
  EXPECT_FALSE(h.Backdrop().Loaded());
  // Acting on a window that is not there does nothing.
  EXPECT_TRUE(h.Backdrop().Perform("menu Close"));

  bBackdrop::ShowBackdrop(h.program());
  EXPECT_TRUE(h.Backdrop().Visible());
  EXPECT_EQ(h.Backdrop().BackColor(), 0u);
  EXPECT_TRUE(h.Backdrop().Perform("glyph"));  // hidden again: no effect
  EXPECT_TRUE(h.Backdrop().Loaded());

  for (const char* nonsense : {"wiggle", "rightclick meta", "menu"}) {
    SCOPED_TRACE(nonsense);
    EXPECT_FALSE(h.Backdrop().Perform(nonsense));
  }
}

TEST(BackdropWindow, ProgramEndClosesItAndStopsTheMusic) {
  TempFolder dir;
  dir.Write("song.mid", mediatest::Midi(700), false);
  Harness h(For(dir.Write("run.zrn", Header(kStayAlive) + "BGSHOW\nPLAYMIDI song.mid\n")));
  h.Start();
  RunTo(h, 200);
  h.Desktop().RightClickTray("&Close");
  EXPECT_FALSE(h.Form().Loaded());
  const V all = MediaAndBackdrop(h.Records());
  const V tail = {"mci status media mode = 0",  "mci stop media = 0", "mci status media mode = 0",
                  "mci close media = 0",        "Backdrop close|",    "mci status media mode = 263",
                  "mci status media mode = 263"};
  ASSERT_GE(all.size(), tail.size());
  EXPECT_EQ(V(all.end() - static_cast<long>(tail.size()), all.end()), tail);
}

}  // namespace
}  // namespace zarn
