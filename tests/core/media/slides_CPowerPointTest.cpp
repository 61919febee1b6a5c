#include <gtest/gtest.h>

#include <algorithm>

#include "core/media/CPowerPoint.h"
#include "support/slides_TestDecks.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

TEST(CPowerPoint, CutsTheScriptBeforeEveryLineThatBeginsWithHash) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"no hash line", "A\r\nB\r\n", {"A\r\nB\r\n"}},
      {"bare hash", "A\r\n#\r\nB\r\n", {"A", "\r\nB\r\n"}},
      {"text after hash opens the next piece", "A\r\n#slide 2\r\nB\r\n", {"A", "slide 2\r\nB\r\n"}},
      {"first line is never cut", "#\r\nA\r\n", {"#\r\nA\r\n"}},
      {"hash inside a line", "A # B\r\nC#\r\n", {"A # B\r\nC#\r\n"}},
      {"bare LF does not cut", "A\n#B\r\n", {"A\n#B\r\n"}},
      {"consecutive cuts", "A\r\n#\r\n#\r\n", {"A", "", "\r\n"}},
      {"leading break", "\r\n#A", {"", "A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CPowerPoint::CutSlideScripts(c.script), c.pieces);
  }
}

// Runs a narrated show headless: the script file names the deck and the
// settings, Pip performs the pieces.
class SlideshowTest : public ::testing::Test {
 protected:
  std::string Script(const std::string& deck, const std::string& settings,
                     const std::string& body) {
    return dir_.Write("show.zrn", "[ZARN Script]\nVersion=7.0\nPowerPointFile=" + deck + "\n" +
                                      settings + "[Characters]\nPip=Pip.acs\n[Script]\n" + body);
  }
  std::unique_ptr<Harness> Play(const std::string& script_path, Millis limit = 600000) {
    HarnessOptions options;
    options.command_line = script_path;
    auto h = std::make_unique<Harness>(options);
    h->Start();
    h->RunUntilIdle(limit);
    return h;
  }
  // The slide events, the character's StopAll and Speak calls and the
  // presentation program's shutdown, in order.
  static std::vector<std::string> Story(const std::vector<TraceLine>& records) {
    std::vector<std::string> out;
    for (const auto& r : records) {
      if (r.kind == "show" && (r.op == "NextSlide" || r.op == "SlideShowEnd" || r.op == "Run" ||
                               r.op == "Next" || r.op == "Quit")) {
        out.push_back(r.op + (r.args.empty() ? "" : " " + r.Arg(0)));
      } else if (r.kind == "call" && (r.op == "StopAll" || r.op == "Speak")) {
        out.push_back(r.op + (r.op == "Speak" ? " " + r.Arg(0) : ""));
      } else if (r.kind == "life" && r.op == "ShutDown") {
        out.push_back("ShutDown");
      }
    }
    return out;
  }

  TempFolder dir_;
};

const char* const kThreePieces =
    "Pip.Show\nPip.Speak \"one\"\n#\nPip.Speak \"two\"\n#Pip.Speak \"three\"\n";

TEST_F(SlideshowTest, AutoAdvanceNarratesEachSlideThenEndsTheShow) {
  testing::WritePptx(dir_ / "deck.pptx",
                     testing::Slides({std::nullopt, std::nullopt, std::nullopt}));
  auto h = Play(Script("deck.pptx", "PowerPointAutoAdvance=1\nPowerPointPause=2\n", kThreePieces));
  const auto records = h->Records();
  EXPECT_EQ(Story(records),
            (std::vector<std::string>{"Run", "NextSlide 1", "StopAll", "Speak one", "Next",
                                      "NextSlide 2", "StopAll", "Speak two", "Next", "NextSlide 3",
                                      "StopAll", "Speak three", "Next", "SlideShowEnd", "Quit"}));
  EXPECT_TRUE(Select(records, "ui", "ErrorReport").empty());

  // Each advance waits for the piece's end marker, then the pause counted
  // in whole seconds of the clock.
  std::vector<int64_t> markers;
  for (const auto& r : Select(records, "call", "Get")) markers.push_back(*r.req);
  ASSERT_EQ(markers.size(), 3u);
  std::vector<double> completed;
  for (const auto& r : Select(records, "event", "RequestComplete")) {
    for (int64_t m : markers) {
      if (r.req == m) completed.push_back(r.t);
    }
  }
  const auto nexts = Select(records, "show", "Next");
  ASSERT_EQ(completed.size(), 3u);
  ASSERT_EQ(nexts.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const double gap = nexts[i].t - completed[i];
    EXPECT_GT(gap, 1.0);
    EXPECT_LE(gap, 2.0 + 1e-9);
  }
  EXPECT_FALSE(h->Presenter().Running());
  EXPECT_EQ(h->Presenter().OpenPresentations(), 0u);
}

TEST_F(SlideshowTest, PauseZeroAdvancesAfterOneStep) {
  testing::WriteOdp(dir_ / "deck.odp", testing::Slides({std::nullopt, std::nullopt}));
  auto h = Play(Script("deck.odp", "PowerPointAutoAdvance=1\nPowerPointPause=0\n",
                       "Pip.Speak \"a\"\n#\nPip.Speak \"b\"\n"));
  const auto records = h->Records();
  const auto gets = Select(records, "call", "Get");
  const auto nexts = Select(records, "show", "Next");
  ASSERT_EQ(gets.size(), 2u);
  ASSERT_EQ(nexts.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    int matched = 0;
    for (const auto& r : Select(records, "event", "RequestComplete")) {
      if (r.req != gets[i].req) continue;
      ++matched;
      EXPECT_NEAR(nexts[i].t - r.t, 0.1, 1e-9);
    }
    EXPECT_EQ(matched, 1);
  }
  EXPECT_EQ(Select(records, "show", "SlideShowEnd").size(), 1u);
}

// Without auto-advance the presentation's timings move the show (in both
// formats); a slide without a timing waits for the user, and slides beyond
// the last piece only stop the characters.
TEST_F(SlideshowTest, WithoutAutoAdvanceTheTimingsGovern) {
  struct Case {
    const char* deck;
    std::vector<std::optional<int>> timings;
    std::string body;
    std::vector<std::string> story;
  };
  const Case cases[] = {
      {"timed.pptx",
       {3000, 4000, std::nullopt},
       kThreePieces,
       {"Run", "NextSlide 1", "StopAll", "Speak one", "NextSlide 2", "StopAll", "Speak two",
        "NextSlide 3", "StopAll", "Speak three"}},
      {"timed.odp",
       {2000, 2000},
       "Pip.Speak \"only\"\n",
       {"Run", "NextSlide 1", "StopAll", "Speak only", "NextSlide 2", "StopAll", "SlideShowEnd",
        "Quit"}},
      {"manual.pptx",
       {std::nullopt, std::nullopt},
       kThreePieces,
       {"Run", "NextSlide 1", "StopAll", "Speak one"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.deck);
    const std::string path = dir_ / c.deck;
    if (path.ends_with(".odp")) {
      testing::WriteOdp(path, testing::Slides(c.timings));
    } else {
      testing::WritePptx(path, testing::Slides(c.timings));
    }
    auto h = Play(Script(c.deck, "", c.body));
    const auto records = h->Records();
    EXPECT_EQ(Story(records), c.story);
    EXPECT_TRUE(Select(records, "call", "Get").empty()) << "no advance markers";
    // The program asks for the timings to be used.
    const auto modes = Select(records, "show", "AdvanceMode");
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_EQ(modes[0].Arg(0), "2");
  }
}

TEST_F(SlideshowTest, RepeatLoopsUntilTheTrayClose) {
  testing::WritePptx(dir_ / "deck.pptx",
                     testing::Slides({std::nullopt, std::nullopt, std::nullopt}));
  const std::string script =
      Script("deck.pptx", "PowerPointAutoAdvance=1\nPowerPointPause=1\nPowerPointRepeat=1\n",
             kThreePieces);
  HarnessOptions options;
  options.command_line = script;
  Harness h(options);
  h.Loop().PostAt(60000, [&h] { h.Desktop().RightClickTray("&Close"); });
  h.Start();
  h.RunUntilIdle();
  EXPECT_FALSE(h.Form().Loaded());
  const auto records = h.Records();
  std::vector<std::string> slides;
  for (const auto& r : records) {
    if (r.kind == "show" && r.op == "NextSlide" && r.t < 60.0) slides.push_back(r.Arg(0));
  }
  ASSERT_GE(slides.size(), 7u);
  for (size_t i = 0; i < slides.size(); ++i) EXPECT_EQ(slides[i], std::to_string(i % 3 + 1));
  EXPECT_EQ(Select(records, "show", "LoopUntilStopped").size(), 1u);
  EXPECT_TRUE(Select(records, "show", "SlideShowEnd").empty());
  EXPECT_EQ(Select(records, "life", "ShutDown").size(), 1u);
  EXPECT_GE(Select(records, "life", "ShutDown")[0].t, 60.0);
}

// Closed from the tray (or by another copy) in the pause after the first
// slide: the wait ends there and no slide comes after the unload.
TEST_F(SlideshowTest, ClosingInThePauseEndsTheWait) {
  testing::WritePptx(dir_ / "deck.pptx", testing::Slides({std::nullopt, std::nullopt}));
  const std::string script = Script("deck.pptx", "PowerPointAutoAdvance=1\nPowerPointPause=30\n",
                                    "Pip.Speak \"a\"\n#\nPip.Speak \"b\"\n");
  for (const bool tray : {true, false}) {
    SCOPED_TRACE(tray ? "tray" : "close message");
    HarnessOptions options;
    options.command_line = script;
    Harness h(options);
    h.Loop().PostAt(15000, [&h, tray] {
      tray ? h.Desktop().RightClickTray("&Close") : h.Form().CloseRequested();
    });
    h.Start();
    h.RunUntilIdle();
    const auto story = Story(h.Records());
    EXPECT_EQ(std::count(story.begin(), story.end(), "Next"), 0) << ::testing::PrintToString(story);
    EXPECT_EQ(std::count(story.begin(), story.end(), "NextSlide 2"), 0);
    EXPECT_LT(h.Loop().Now(), 25000);
  }
}
// A presentation program that answers "busy" is asked again every 100 ms;
// the tenth busy answer of one start goes to the error trap.
TEST_F(SlideshowTest, BusyAtStart) {
  const std::string deck = testing::WritePptx(dir_ / "deck.pptx", testing::Slides({std::nullopt}));
  struct Case {
    const char* name;
    std::vector<std::pair<int, std::string>> busy;
    bool starts;
  };
  const Case cases[] = {
      {"nine busy answers", {{9, ""}}, true},
      {"ten busy answers", {{10, ""}}, false},
      {"counted over all steps", {{5, "Open"}, {5, "Run"}}, false},
      {"nine over all steps", {{5, "Open"}, {4, "Run"}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.CreateServices();
    int total = 0;
    for (const auto& [times, op] : c.busy) {
      h.Presenter().AnswerBusy(times, op);
      total += times;
    }
    StartPowerPointSlideshow(h.program(), deck, "Pip.Speak \"x\"\r\n");
    const Millis slept = h.Loop().Now();
    while (h.Loop().RunNext()) {
    }
    const auto records = h.Records();
    EXPECT_EQ(slept, total * 100);
    EXPECT_EQ(Select(records, "show", "Run").size() - (c.starts ? 1u : 0u),
              static_cast<size_t>(c.busy.back().second == "Run" ? c.busy.back().first : 0));
    EXPECT_EQ(Select(records, "show", "NextSlide").size(), c.starts ? 1u : 0u);
    const auto reports = Select(records, "ui", "ErrorReport");
    if (c.starts) {
      EXPECT_TRUE(reports.empty());
    } else {
      ASSERT_EQ(reports.size(), 1u);
      EXPECT_NE(reports[0].Arg(0).find("-2147188160"), std::string::npos) << reports[0].Arg(0);
    }
  }
}

TEST_F(SlideshowTest, FailuresAtStart) {
  struct Case {
    const char* name;
    std::string file;
    std::string script;
    std::string report;   // part of the error report; empty: none
    std::string message;  // message box text; empty: none
  };
  const Case cases[] = {
      {"old binary file",
       dir_.Write("old.ppt", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), false),
       "Pip.Speak \"x\"\r\n", ".ppt", ""},
      {"missing file", dir_ / "gone.pptx", "Pip.Speak \"x\"\r\n", "gone.pptx", ""},
      {"empty script", dir_ / "gone.pptx", "", "", "ZARN Script not found."},
      {"empty first piece", dir_ / "gone.pptx", "\r\n#Pip.Speak \"x\"", "",
       "ZARN Script not found."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.CreateServices();
    StartPowerPointSlideshow(h.program(), c.file, c.script);
    while (h.Loop().RunNext()) {
    }
    const auto records = h.Records();
    EXPECT_TRUE(Select(records, "show", "Run").empty());
    const auto reports = Select(records, "ui", "ErrorReport");
    const auto boxes = Select(records, "ui", "MessageBox");
    if (c.report.empty()) {
      EXPECT_TRUE(reports.empty());
    } else {
      ASSERT_EQ(reports.size(), 1u);
      EXPECT_NE(reports[0].Arg(0).find(c.report), std::string::npos) << reports[0].Arg(0);
      EXPECT_NE(reports[0].Arg(0).find("Line 50"), std::string::npos) << reports[0].Arg(0);
    }
    if (c.message.empty()) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].Arg(0), c.message);
      EXPECT_EQ(boxes[0].Arg(1), "warning");
      EXPECT_TRUE(Select(records, "show").empty()) << "nothing reaches the presenter";
    }
  }
}

TEST_F(SlideshowTest, AMissingPresentationPlaysTheScriptLineByLine) {
  auto h = Play(Script("nowhere.pptx", "PowerPointAutoAdvance=1\n", kThreePieces));
  const auto records = h->Records();
  EXPECT_TRUE(Select(records, "show").empty());
  EXPECT_EQ(Select(records, "call", "Speak").size(), 2u) << "\"#Pip.Speak\" is no statement";
}

TEST_F(SlideshowTest, PropertiesMirrorTheDocumentAndStopClearsThem) {
  testing::WritePptx(dir_ / "deck.pptx", testing::Slides({std::nullopt}));
  auto h =
      Play(Script("deck.pptx", "PowerPointAutoAdvance=1\nPowerPointPause=7\nPowerPointRepeat=3\n",
                  "Pip.Show\nPip.Speak \"x\"\n"),
           1000);
  std::shared_ptr<CPowerPoint> show = h->program().powerpoint;
  ASSERT_TRUE(show);
  EXPECT_TRUE(show->Repeat());
  EXPECT_TRUE(show->AutoAdvance());
  EXPECT_EQ(show->Pause(), 7);
  EXPECT_EQ(show->GetCurrentSlideIndex(), 1);
  show->PowerPointSlideshowStop();
  EXPECT_FALSE(show->Repeat());
  EXPECT_FALSE(show->AutoAdvance());
  EXPECT_EQ(show->Pause(), 7);
  EXPECT_EQ(h->program().document.PowerPointRepeat, 1) << "the document keeps its value";
}

}  // namespace
}  // namespace zarn
