#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "charengine/ServiceErrors.h"

namespace zarn::test {
namespace {

using Log = std::vector<std::string>;

// What the screen is told, without frames of pictures.
struct SinkLog : CharacterRenderSink {
  void FrameShown(const std::string&, const std::string& animation, int frame) override {
    if (animation == "Wave") log.push_back("Frame " + std::to_string(frame));
  }
  void MoveStarted(const std::string&, int x, int y, int64_t ms) override {
    log.push_back("Move " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(ms));
  }
  void SpeechStarted(const std::string&, int32_t, const std::string&, const std::string&,
                     bool) override {
    log.push_back("Speech");
  }
  void SpeechEnded(const std::string&) override { log.push_back("SpeechEnded"); }
  void SpeechStopped(const std::string&) override { log.push_back("SpeechStopped"); }
  Log log;
};

// A stop, the listening key and the user's hand end what the character
// shows and says where it has got to; the engine then stands where the
// screen does. Each case starts with Pip shown at (0, 0) and its request
// `r` made at `t0`; `expected` is the sink's log from then, the request's
// status and number, and Pip's place once all is over.
TEST(Stopping, EndsSpeechAndSlidesWhereTheyAre) {
  struct Case {
    const char* name;
    std::function<RequestId(CharacterEngine&)> request;
    Millis act_at;  // after t0
    std::function<void(CharacterEngine&)> act;
    std::function<void(CharacterEngine&)> then;  // once the act has played out
    Log sink;
    int status;
    int32_t number;
    std::pair<int, int> place;
  };
  const auto slide = [](CharacterEngine& e) { return e.MoveTo("Pip", 1000, 400, 1000); };
  const auto speak = [](CharacterEngine& e) {
    return e.Speak("Pip", "one two three four five six seven eight", "");
  };
  RequestId blocked = 0;
  const auto none = [](CharacterEngine&) {};
  const Case cases[] = {
      {"StopAll halts a slide",
       slide,
       500,
       [](CharacterEngine& e) { e.StopAll("Pip", std::nullopt); },
       none,
       {"Move 1000 400 1000", "Move 500 200 0"},
       request_status::kInterrupted,
       service_error::kInterruptedByApplication,
       {500, 200}},
      {"Stop silences speech",
       speak,
       1500,
       [](CharacterEngine& e) { e.Stop("Pip", std::nullopt); },
       none,
       {"Speech", "SpeechStopped"},
       request_status::kInterrupted,
       service_error::kInterruptedByApplication,
       {0, 0}},
      {"the listening key flushes the output",
       speak,
       1500,
       [](CharacterEngine& e) { e.ListeningKey("Pip", true); },
       none,
       {"Speech", "SpeechStopped"},
       request_status::kInterrupted,
       service_error::kInterruptedByListeningKey,
       {0, 0}},
      {"a drag takes the slide over and blocks moves",
       slide,
       250,
       [&blocked](CharacterEngine& e) {
         e.UserDragStart("Pip", 1, 0, 0, 0);
         blocked = e.MoveTo("Pip", 5, 5, 0);
       },
       [](CharacterEngine& e) { e.UserDragComplete("Pip", 300, 200, 1, 0, 0, 0); },
       {"Move 1000 400 1000"},
       request_status::kFailed,
       service_error::kMoveWhileDragged,
       {300, 200}},
      {"Think on a hidden character fails as Speak does",
       [](CharacterEngine& e) {
         e.Hide("Pip", true);
         return e.Think("Pip", "nobody hears this");
       },
       0,
       none,
       none,
       {},
       request_status::kFailed,
       service_error::kCharacterHidden,
       {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    SinkLog sink;
    f.engine.SetRenderSink(&sink);
    f.engine.Show("Pip", true);
    f.clock.RunUntilIdle();
    sink.log.clear();
    const Millis t0 = f.clock.Now();
    const RequestId r = c.request(f.engine);
    f.clock.RunUntil(t0 + c.act_at);
    c.act(f.engine);
    f.clock.RunUntilIdle();
    c.then(f.engine);
    f.clock.RunUntilIdle();
    EXPECT_EQ(sink.log, c.sink);
    EXPECT_EQ(f.engine.RequestStatus(r), c.status);
    EXPECT_EQ(f.engine.RequestNumber(r), c.number);
    EXPECT_EQ(std::make_pair(f.engine.Left("Pip"), f.engine.Top("Pip")), c.place);
    if (blocked != 0) {  // the move made while the user held the frame
      EXPECT_EQ(f.engine.RequestStatus(blocked), request_status::kFailed);
      EXPECT_EQ(f.engine.RequestNumber(blocked), service_error::kMoveWhileDragged);
      blocked = 0;
    }
  }
}

// Loopy's Wave runs through a branching hub and ends on a frame without
// images: neither is a picture to draw.
TEST(Stopping, FramesWithoutImagesAreNotDrawn) {
  EngineFixture f;
  SinkLog sink;
  f.engine.SetRenderSink(&sink);
  f.engine.LoadModel("Loopy", ModelOf(LoopyCharacter()));
  f.engine.Show("Loopy", true);
  f.engine.Play("Loopy", "Wave");
  f.clock.RunUntilIdle();
  EXPECT_EQ(sink.log, (Log{"Frame 0", "Frame 1", "Frame 3"}));
}

}  // namespace
}  // namespace zarn::test
