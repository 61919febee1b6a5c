#include <gtest/gtest.h>

#include <sstream>

#include "base/VbError.h"
#include "support/slides_TestDecks.h"
#include "platform/common/VirtualTimeLoop.h"
#include "platform/common/PresentationShow.h"
#include "support/TempFolder.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::TempFolder;
using testing::TestDeck;

struct Sink : PresentationEvents {
  std::vector<std::string> seen;
  void SlideShowBegin(PresentationId) override { seen.push_back("Begin"); }
  void SlideShowNextSlide(PresentationId, int32_t index) override {
    seen.push_back("Slide " + std::to_string(index));
  }
  void SlideShowEnd(PresentationId) override { seen.push_back("End"); }
};

class PresenterTest : public ::testing::Test {
 protected:
  PresentationId Start(const std::string& path) {
    presenter_.CreateApplication(&sink_);
    const PresentationId id = presenter_.OpenPresentation(path, false, false, true);
    return id;
  }
  // The show records as "seconds op args", e.g. "3.000 NextSlide 2".
  std::vector<std::string> Shown() const {
    std::vector<std::string> out;
    for (const auto& r : testing::Select(testing::ParseTrace(json_.str()), "show")) {
      if (r.op != "NextSlide" && r.op != "SlideShowEnd" && r.op != "SlideShowBegin") continue;
      std::ostringstream line;
      line.precision(3);
      line << std::fixed << r.t << " " << r.op;
      for (const auto& a : r.args) line << " " << a;
      out.push_back(line.str());
    }
    return out;
  }
  void RunUntil(Millis limit) {
    while (loop_.Now() <= limit && loop_.RunNext()) {
    }
  }

  TempFolder dir_;
  VirtualTimeLoop loop_;
  std::ostringstream json_;
  Trace trace_{[this] { return loop_.Now(); }};
  PresentationShow presenter_{loop_, trace_};
  Sink sink_;

  void SetUp() override { trace_.SetJsonStream(&json_); }
};

// The stored timings move the show on; a slide without one waits for Next.
TEST_F(PresenterTest, TimingsAdvanceAndAManualSlideWaits) {
  for (const char* ext : {".pptx", ".odp"}) {
    SCOPED_TRACE(ext);
    json_.str("");
    TestDeck deck = testing::Slides({3000, 5000, std::nullopt});
    const std::string path = dir_ / (std::string("deck") + ext);
    std::string(ext) == ".pptx" ? testing::WritePptx(path, deck) : testing::WriteOdp(path, deck);
    const Millis t0 = loop_.Now();
    const PresentationId id = Start(path);
    presenter_.RunSlideShow(id);
    EXPECT_TRUE(Shown().empty()) << "events come from the pump, not from inside Run";
    RunUntil(t0 + 60000);
    EXPECT_EQ(presenter_.ShownSlide(id), 3);
    presenter_.ViewNext(id);
    RunUntil(t0 + 120000);
    const double s = t0 / 1000.0;
    auto at = [&](double seconds, const std::string& what) {
      std::ostringstream line;
      line.precision(3);
      line << std::fixed << s + seconds << " " << what;
      return line.str();
    };
    EXPECT_EQ(Shown(), (std::vector<std::string>{at(0, "SlideShowBegin"), at(0, "NextSlide 1"),
                                                 at(3, "NextSlide 2"), at(8, "NextSlide 3"),
                                                 at(8, "SlideShowEnd")}));
    EXPECT_FALSE(presenter_.ShownSlide(id));
    presenter_.Quit();
  }
}

TEST_F(PresenterTest, AdvanceModeLoopAndHiddenSlides) {
  struct Case {
    const char* name;
    bool manual;
    bool loop;
    std::vector<std::string> slides;  // "Slide n" events within 20 s
  };
  const Case cases[] = {
      {"timings", false, false, {"Begin", "Slide 1", "Slide 3", "End"}},
      {"manual", true, false, {"Begin", "Slide 1"}},
      {"loop",
       false,
       true,
       {"Begin", "Slide 1", "Slide 3", "Slide 1", "Slide 3", "Slide 1", "Slide 3", "Slide 1"}},
  };
  TestDeck deck = testing::Slides({4000, 1000, 3000});
  deck.slides[1].hidden = true;
  const std::string path = testing::WritePptx(dir_ / "hidden.pptx", deck);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualTimeLoop loop;
    Trace trace([&loop] { return loop.Now(); });
    PresentationShow presenter(loop, trace);
    Sink sink;
    presenter.CreateApplication(&sink);
    const PresentationId id = presenter.OpenPresentation(path, false, false, true);
    if (c.manual) presenter.SetAdvanceMode(id, presentation::kManualAdvance);
    presenter.SetLoopUntilStopped(id, c.loop);
    presenter.RunSlideShow(id);
    while (loop.Now() < 20000 && loop.RunNext()) {
    }
    EXPECT_EQ(sink.seen, c.slides);
  }
}

TEST_F(PresenterTest, BusyAnswersAndFailuresAreTraced) {
  const std::string path = testing::WritePptx(dir_ / "d.pptx", testing::Slides({std::nullopt}));
  presenter_.AnswerBusy(2, "Open");
  presenter_.CreateApplication(&sink_);
  for (int i = 0; i < 2; ++i) {
    try {
      presenter_.OpenPresentation(path, false, false, true);
      ADD_FAILURE() << "busy expected";
    } catch (const VbError& failure) {
      EXPECT_EQ(failure.Number(), presentation::kBusy);
    }
  }
  const PresentationId id = presenter_.OpenPresentation(path, false, false, true);
  auto number_of = [](auto&& call) {
    try {
      call();
    } catch (const VbError& failure) {
      return failure.Number();
    }
    return 0;
  };
  EXPECT_EQ(number_of([&] { presenter_.ViewNext(id); }), presentation::kFailed);  // not showing
  EXPECT_EQ(number_of([&] { presenter_.SetAdvanceMode(id, 7); }), presentation::kFailed);
  presenter_.Quit();
  EXPECT_EQ(number_of([&] { presenter_.Activate(); }), presentation::kServerGone);
  const auto records = testing::Select(testing::ParseTrace(json_.str()), "show", "Open");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_NE(records[0].error.find("busy"), std::string::npos);
  EXPECT_EQ(records[2].Arg(0), path);
  EXPECT_TRUE(records[2].error.empty());
}

// Closing the presentation's window mid-show ends the show; nothing the
// quit application had posted reaches the program afterwards.
TEST_F(PresenterTest, ClosingAndQuittingEndTheShow) {
  const std::string path = testing::WriteOdp(dir_ / "d.odp", testing::Slides({1000, 1000}));
  const PresentationId id = Start(path);
  presenter_.RunSlideShow(id);
  loop_.RunDue();
  presenter_.CloseActiveWindow();
  EXPECT_EQ(presenter_.OpenPresentations(), 0u);
  RunUntil(10000);
  EXPECT_EQ(sink_.seen, (std::vector<std::string>{"Begin", "Slide 1", "End"}));

  const PresentationId second = presenter_.OpenPresentation(path, false, false, true);
  presenter_.RunSlideShow(second);
  presenter_.Quit();
  RunUntil(20000);
  EXPECT_EQ(sink_.seen.size(), 3u);
  EXPECT_FALSE(loop_.HasPending());
}

// The viewer's own keys move a looping show on and end it, and are no
// calls of the program's, so they leave no Next in the trace.
TEST_F(PresenterTest, TheViewerMovesOnAndEndsALoopingShow) {
  TestDeck deck = testing::Slides({std::nullopt, std::nullopt});
  deck.loop = true;
  const PresentationId id = Start(testing::WritePptx(dir_ / "loop.pptx", deck));
  presenter_.RunSlideShow(id);
  for (int i = 0; i < 2; ++i) {
    loop_.RunDue();
    presenter_.ViewerNext(id);
  }
  loop_.RunDue();
  presenter_.ViewerEnd(id);
  presenter_.ViewerEnd(id);
  RunUntil(10000);
  EXPECT_EQ(sink_.seen,
            (std::vector<std::string>{"Begin", "Slide 1", "Slide 2", "Slide 1", "End"}));
  EXPECT_EQ(json_.str().find("\"Next\""), std::string::npos);
}

}  // namespace
}  // namespace zarn
