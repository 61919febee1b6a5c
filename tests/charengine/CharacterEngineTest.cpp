#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "base/VbError.h"
#include "charengine/CharacterEngine.h"
#include "charengine/ServiceErrors.h"

namespace zarn::test {
namespace {

using Log = std::vector<std::string>;

int32_t ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const VbError& error) {
    return error.Number();
  }
  return 0;
}

TEST(CharacterEngine, RequestTimesFollowTheFrameDurations) {
  EngineFixture f;
  const CharacterModel pip = PipModel();
  const int64_t show = StraightMillis(pip, "Show");
  const int64_t wave = StraightMillis(pip, "Wave");
  const int64_t hide = StraightMillis(pip, "Hide");
  ASSERT_EQ(f.engine.Show("Pip", std::nullopt), 1);
  ASSERT_EQ(f.engine.Play("Pip", "Wave"), 2);
  ASSERT_EQ(f.engine.Hide("Pip", std::nullopt), 3);
  ASSERT_TRUE(f.clock.RunUntilIdle());
  const Log expected = {
      "0 Start 1",
      "0 Show Pip 4",
      std::to_string(show) + " Complete 1 0",
      std::to_string(show) + " Start 2",
      std::to_string(show + wave) + " Complete 2 0",
      std::to_string(show + wave) + " Start 3",
      std::to_string(show + wave + hide) + " Hide Pip 3",
      std::to_string(show + wave + hide) + " Complete 3 0",
  };
  EXPECT_EQ(f.events.log, expected);
  EXPECT_FALSE(f.engine.Visible("Pip"));
}

TEST(CharacterEngine, EventsComeOnlyFromThePump) {
  EngineFixture f;
  const RequestId show = f.engine.Show("Pip", std::nullopt);
  f.engine.Play("Pip", "Wave");
  EXPECT_TRUE(f.events.log.empty());
  EXPECT_EQ(f.engine.RequestStatus(show), request_status::kPending);
  f.clock.RunUntil(0);
  EXPECT_EQ(f.engine.RequestStatus(show), request_status::kInProgress);
  f.events.log.clear();
  f.engine.Stop("Pip", std::nullopt);
  EXPECT_TRUE(f.events.log.empty());
  f.clock.RunUntilIdle();
  EXPECT_FALSE(f.events.log.empty());
}

TEST(CharacterEngine, FastShowAndHideSkipTheirAnimations) {
  EngineFixture f;
  f.engine.Show("Pip", true);
  f.engine.Hide("Pip", true);
  f.clock.RunUntilIdle();
  const Log expected = {"0 Start 1", "0 Show Pip 4", "0 Complete 1 0",
                        "0 Start 2", "0 Hide Pip 3", "0 Complete 2 0"};
  EXPECT_EQ(f.events.log, expected);
}

TEST(CharacterEngine, ShowOfAVisibleAndHideOfAHiddenCharacterRaiseNoEvent) {
  EngineFixture f;
  f.engine.Hide("Pip", std::nullopt);
  f.engine.Show("Pip", true);
  f.engine.Show("Pip", std::nullopt);
  f.clock.RunUntilIdle();
  const Log expected = {"0 Start 1",      "0 Complete 1 0", "0 Start 2",     "0 Show Pip 4",
                        "0 Complete 2 0", "0 Start 3",      "0 Complete 3 0"};
  EXPECT_EQ(f.events.log, expected);
}

TEST(CharacterEngine, ReturnAnimationPlaysBeforeTheNextOne) {
  EngineFixture f;
  const CharacterModel pip = PipModel();
  f.engine.Show("Pip", true);
  const RequestId processing = f.engine.Play("Pip", "Processing");
  const RequestId wave = f.engine.Play("Pip", "Wave");
  // Processing loops for ever in its file and holds the queue until stopped.
  f.clock.RunUntil(60000);
  EXPECT_EQ(f.engine.RequestStatus(processing), request_status::kInProgress);
  EXPECT_EQ(f.engine.HeldLoops(),
            (std::vector<std::pair<std::string, std::string>>{{"Pip", "Processing"}}));
  f.engine.Stop("Pip", processing);
  f.clock.RunUntilIdle();
  // Its frames may all stop at once; its Return plays before the Wave.
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(processing) + " 3"), 60000);
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(wave) + " 0"),
            60000 + StraightMillis(pip, "ProcessingReturn") + StraightMillis(pip, "Wave"));
  EXPECT_TRUE(f.engine.HeldLoops().empty());
}

TEST(CharacterEngine, PlayOfAnUnknownAnimationFailsTheCall) {
  EngineFixture f;
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Play("Pip", "NoSuchThing"); }),
            service_error::kAnimationNotSupported);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Play("Nobody", "Wave"); }),
            service_error::kCharacterNotLoaded);
  // Names ignore letter case; a failed call makes no request.
  EXPECT_EQ(f.engine.Play("pip", "wAVE"), 1);
}

TEST(CharacterEngine, SpeakTimingBookmarksAndSpeed) {
  const CharacterModel pip = PipModel();
  const int64_t word = 60000 / 160;  // Pip speaks 160 words a minute
  const int64_t speaking = StraightMillis(pip, "RestPose");
  struct Case {
    const char* name;
    const char* text;
    int64_t duration;  // after the Speaking animation
    std::vector<std::pair<int32_t, int64_t>> bookmarks;
  };
  const Case cases[] = {
      {"plain words", "one two three", 3 * word, {}},
      {"bookmarks at their words",
       "\\Mrk=5\\one two \\mrk=6\\three\\MRK=7\\",
       3 * word,
       {{5, 0}, {6, 2 * word}, {7, 3 * word}}},
      {"double speed", "\\Spd=320\\one two three four", 4 * word / 2, {}},
      {"speed change midway", "one \\Spd=320\\two three \\Rst\\four", 2 * word + word, {}},
      {"pause", "one\\Pau=500\\two", 2 * word + 500, {}},
      {"map speaks the first text", "\\Map=\"one two three\"=\"1 2 3 4 5\"\\", 3 * word, {}},
      {"empty text", "", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    f.engine.Show("Pip", true);
    const RequestId speak = f.engine.Speak("Pip", c.text, c.text[0] ? "" : "hello.wav");
    f.clock.RunUntilIdle();
    EXPECT_EQ(f.events.TimeOf("Start " + std::to_string(speak)), 0);
    EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(speak) + " 0"), speaking + c.duration);
    for (const auto& [id, at] : c.bookmarks) {
      EXPECT_EQ(f.events.TimeOf("Bookmark " + std::to_string(id)), speaking + at) << id;
    }
  }
}

TEST(CharacterEngine, SpeakUsesTheSpeakingFrameOfTheLastAnimation) {
  EngineFixture f;
  const CharacterModel pip = PipModel();
  f.engine.Show("Pip", true);
  f.engine.Play("Pip", "Explain");  // its last frame has mouths
  const RequestId first = f.engine.Speak("Pip", "one", "");
  f.engine.Play("Pip", "Wave");  // no mouths: Speaking state first
  const RequestId second = f.engine.Speak("Pip", "one", "");
  f.clock.RunUntilIdle();
  const int64_t explain = StraightMillis(pip, "Explain");
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(first) + " 0"), explain + 375);
  const int64_t wave_end = explain + 375 + StraightMillis(pip, "Wave");
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(second) + " 0"),
            wave_end + StraightMillis(pip, "RestPose") + 375);
}

TEST(CharacterEngine, SpeakWhileHiddenFailsTheRequest) {
  EngineFixture f;
  const RequestId speak = f.engine.Speak("Pip", "hello \\Mrk=1\\", "");
  f.clock.RunUntilIdle();
  const Log expected = {"0 Start 1", "0 Complete 1 1"};
  EXPECT_EQ(f.events.log, expected);
  EXPECT_EQ(f.engine.RequestStatus(speak), request_status::kFailed);
}

TEST(CharacterEngine, SpeakRefusesReservedBookmarksAndLstWithText) {
  EngineFixture f;
  for (const char* text :
       {"\\Mrk=2147483646\\", "\\Mrk=2147483647\\", "\\Mrk=0\\", "a\\Mrk=-4\\"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ErrorNumberOf([&] { f.engine.Speak("Pip", text, ""); }),
              service_error::kReservedBookmark);
  }
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Speak("Pip", "\\Lst\\ again", ""); }),
            service_error::kLstWithOtherText);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Speak("Pip", "", ""); }), service_error::kInvalidArgument);
}

TEST(CharacterEngine, LstRepeatsTheLastSpeechWithoutItsBookmarks) {
  EngineFixture f;
  f.engine.Show("Pip", true);
  const RequestId first = f.engine.Speak("Pip", "one \\Mrk=9\\ two \\Spd=320\\ three", "");
  const RequestId again = f.engine.Speak("Pip", " \\lst\\ ", "");
  f.clock.RunUntilIdle();
  const int64_t start = f.events.TimeOf("Start " + std::to_string(first));
  const int64_t end = f.events.TimeOf("Complete " + std::to_string(first) + " 0");
  const int64_t again_start = f.events.TimeOf("Start " + std::to_string(again));
  // The second time needs no Speaking animation: Pip is already on a mouth frame.
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(again) + " 0") - again_start,
            end - start - StraightMillis(PipModel(), "RestPose"));
  int bookmarks = 0;
  for (const auto& entry : f.events.log) bookmarks += entry.find("Bookmark") != std::string::npos;
  EXPECT_EQ(bookmarks, 1);
}

TEST(CharacterEngine, ThinkHonoursOnlyBookmarks) {
  EngineFixture f;
  f.engine.Show("Pip", true);
  const RequestId think = f.engine.Think("Pip", "one \\Spd=320\\ two \\Pau=900\\ \\Mrk=4\\");
  f.clock.RunUntilIdle();
  EXPECT_EQ(f.events.TimeOf("Bookmark 4"), 750);
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(think) + " 0"), 750);
}

TEST(CharacterEngine, MoveToTimingPositionAndHiddenFailure) {
  struct Case {
    const char* name;
    bool visible;
    std::optional<int32_t> speed;
    int status;
    int64_t duration;
    int32_t left;  // afterwards; started at 0
  };
  const Case cases[] = {
      {"default speed", true, std::nullopt, 0, 1000, 300},
      {"given speed", true, 250, 0, 250, 300},
      {"jump", true, 0, 0, 0, 300},
      {"hidden with speed", false, std::nullopt, 1, 0, 0},
      {"hidden jump", false, 0, 0, 0, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    if (c.visible) f.engine.Show("Pip", true);
    f.clock.RunUntilIdle();
    f.events.log.clear();
    const RequestId move = f.engine.MoveTo("Pip", 300, 40, c.speed);
    f.clock.RunUntilIdle();
    const int64_t start = f.events.TimeOf("Start " + std::to_string(move));
    const int64_t end =
        f.events.TimeOf("Complete " + std::to_string(move) + " " + std::to_string(c.status));
    ASSERT_GE(end, 0);
    EXPECT_EQ(end - start, c.duration);
    EXPECT_EQ(f.engine.Left("Pip"), c.left);
    EXPECT_EQ(f.engine.Top("Pip"), c.left ? 40 : 0);
  }
}

// Records which animations are shown, for the direction choices.
class AnimationRecorder : public CharacterRenderSink {
 public:
  void FrameShown(const std::string&, const std::string& animation, int frame) override {
    if (frame == 0) animations.push_back(animation);
  }
  std::vector<std::string> animations;
};

TEST(CharacterEngine, MovingAndGesturingDirectionsAreTheCharactersOwn) {
  struct Case {
    const char* name;
    bool gesture;
    int16_t x, y;
    const char* animation;
  };
  // Pip stands at (100, 100), 128 x 128: its centre is (164, 164).
  const Case cases[] = {
      {"move to the screen's left", false, 0, 120, "MoveRight"},
      {"move to the screen's right", false, 400, 80, "MoveLeft"},
      {"move up", false, 110, 0, "MoveUp"},
      {"move down", false, 90, 500, "MoveDown"},
      {"point left of the centre", true, 10, 170, "GestureRight"},
      {"point right of the centre", true, 400, 100, "GestureLeft"},
      {"point above", true, 150, 0, "GestureUp"},
      {"point below", true, 170, 700, "GestureDown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    AnimationRecorder recorder;
    f.engine.SetRenderSink(&recorder);
    f.engine.MoveTo("Pip", 100, 100, 0);
    f.engine.Show("Pip", true);
    f.clock.RunUntilIdle();
    recorder.animations.clear();
    if (c.gesture) {
      f.engine.GestureAt("Pip", c.x, c.y);
    } else {
      f.engine.MoveTo("Pip", c.x, c.y, 500);
    }
    f.clock.RunUntilIdle();
    ASSERT_FALSE(recorder.animations.empty());
    EXPECT_EQ(recorder.animations.back(), c.animation);
  }
}

TEST(CharacterEngine, GestureWithoutAStateFailsTheRequest) {
  TestScheduler clock;
  RecordingEvents events(clock);
  CharacterEngine engine(clock, {}, [](const std::string&) { return CharacterModel{}; });
  engine.SetEvents(&events);
  CharacterModel mini = ModelOf(MiniCharacter());
  engine.LoadModel("Mini", mini);
  engine.Show("Mini", std::nullopt);
  const RequestId gesture = engine.GestureAt("Mini", 500, 500);
  clock.RunUntilIdle();
  EXPECT_EQ(engine.RequestStatus(gesture), request_status::kFailed);
  EXPECT_TRUE(engine.Visible("Mini"));  // no Showing state: shown at once
}

TEST(CharacterEngine, WaitHoldsAQueueUntilTheOtherRequestCompletes) {
  EngineFixture f(1, true);
  const CharacterModel pip = PipModel();
  f.engine.Show("Pip", true);
  const RequestId wave = f.engine.Play("Pip", "Wave");
  const RequestId wait = f.engine.Wait("Pal", wave);
  const RequestId pal_show = f.engine.Show("Pal", std::nullopt);
  f.clock.RunUntilIdle();
  const int64_t wave_end = StraightMillis(pip, "Wave");
  EXPECT_EQ(f.events.TimeOf("Start " + std::to_string(wait)), 0);
  const std::string w = std::to_string(wait);
  const Log tail(f.events.log.end() - 5, f.events.log.end());
  const Log expected = {
      std::to_string(wave_end) + " Complete " + std::to_string(wave) + " 0",
      std::to_string(wave_end) + " Complete " + w + " 0",
      std::to_string(wave_end) + " Start " + std::to_string(pal_show),
      std::to_string(wave_end) + " Show Pal 4",
      std::to_string(wave_end + StraightMillis(pip, "Show")) + " Complete " +
          std::to_string(pal_show) + " 0",
  };
  EXPECT_EQ(tail, expected);
}

TEST(CharacterEngine, WaitOnAFinishedRequestPassesAndOnItselfFails) {
  EngineFixture f(1, true);
  const RequestId show = f.engine.Show("Pip", true);
  f.clock.RunUntilIdle();
  const RequestId wait = f.engine.Wait("Pal", show);
  f.clock.RunUntilIdle();
  EXPECT_EQ(f.engine.RequestStatus(wait), request_status::kComplete);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Wait("Pip", show); }), service_error::kWaitOnSelf);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Wait("Pal", 999); }), service_error::kRequestNotFound);
}

TEST(CharacterEngine, StopAndStopAllCompleteRemovedRequestsAsInterrupted) {
  struct Case {
    const char* name;
    Millis at;  // when the stop comes
    std::function<void(CharacterEngine&)> stop;
    Log completions;  // of requests 1 (Show), 2 (Wave), 3 (Speak), 4 (Greet)
  };
  // Show ends at 1000, Wave at 1600. A Wave stopped at 1200 (frame 2) winds
  // down through its exit branch: frame 2 ends at 1300, frame 5 at 1400.
  const Case cases[] = {
      {"stop spares a Showing in progress",
       500,
       [](CharacterEngine& e) { e.Stop("Pip", std::nullopt); },
       {"500 Complete 2 3", "500 Complete 3 3", "500 Complete 4 3", "1000 Complete 1 0"}},
      {"stop all does not",
       500,
       [](CharacterEngine& e) { e.StopAll("Pip", std::nullopt); },
       {"500 Complete 1 3", "500 Complete 2 3", "500 Complete 3 3", "500 Complete 4 3"}},
      {"stop during a Play",
       1200,
       [](CharacterEngine& e) { e.Stop("Pip", std::nullopt); },
       {"1000 Complete 1 0", "1200 Complete 2 3", "1200 Complete 3 3", "1200 Complete 4 3"}},
      {"stop one queued request",
       1200,
       [](CharacterEngine& e) { e.Stop("Pip", 3); },
       {"1000 Complete 1 0", "1200 Complete 3 3", "1600 Complete 2 0", "2400 Complete 4 0"}},
      {"stop the request in progress",
       1200,
       [](CharacterEngine& e) { e.Stop("Pip", 2); },
       {"1000 Complete 1 0", "1200 Complete 2 3", "2250 Complete 3 0", "3050 Complete 4 0"}},
      {"stop all speech",
       1200,
       [](CharacterEngine& e) { e.StopAll("Pip", " speak "); },
       {"1000 Complete 1 0", "1200 Complete 3 3", "1600 Complete 2 0", "2400 Complete 4 0"}},
      {"stop all plays and moves",
       1200,
       [](CharacterEngine& e) { e.StopAll("Pip", "Play,Move"); },
       {"1000 Complete 1 0", "1200 Complete 2 3", "1200 Complete 4 3", "2250 Complete 3 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    f.engine.Show("Pip", std::nullopt);
    f.engine.Play("Pip", "Wave");
    f.engine.Speak("Pip", "one two", "");
    f.engine.Play("Pip", "Greet");
    f.clock.RunUntil(c.at);
    c.stop(f.engine);
    f.clock.RunUntilIdle();
    Log completions;
    for (const auto& entry : f.events.log) {
      if (entry.find("Complete") != std::string::npos) completions.push_back(entry);
    }
    EXPECT_EQ(completions, c.completions);
    for (RequestId id = 1; id <= 4; ++id) {
      EXPECT_NE(f.engine.RequestStatus(id), request_status::kInProgress);
    }
  }
}

TEST(CharacterEngine, StopChecksItsArguments) {
  EngineFixture f(1, true);
  const RequestId pal = f.engine.Show("Pal", std::nullopt);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Stop("Pip", pal); }), service_error::kStopOtherCharacter);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Stop("Pip", 77); }), service_error::kRequestNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.StopAll("Pip", "Dance"); }),
            service_error::kInvalidArgument);
}

TEST(CharacterEngine, StoppedRequestReleasesItsWaiters) {
  EngineFixture f(1, true);
  f.engine.Show("Pip", true);
  const RequestId wave = f.engine.Play("Pip", "Wave");
  const RequestId wait = f.engine.Wait("Pal", wave);
  f.clock.RunUntil(200);
  f.engine.Stop("Pip", std::nullopt);
  f.clock.RunUntilIdle();
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(wave) + " 3"), 200);
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(wait) + " 0"), 200);
}

TEST(CharacterEngine, GetQueuedIsAMarkerAndUnqueuedCompletesAtOnce) {
  EngineFixture f;
  f.engine.Show("Pip", std::nullopt);
  const RequestId marker = f.engine.Get("Pip", "Animation", "Show", true);
  const RequestId now = f.engine.Get("Pip", "animation", "Wave", false);
  f.clock.RunUntilIdle();
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(marker) + " 0"), 1000);
  EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(now) + " 0"), 0);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.Get("Pip", "Sound", "x", true); }),
            service_error::kInvalidArgument);
}

TEST(CharacterEngine, HandlersMayQueueAndStopFromInsideEvents) {
  EngineFixture f;
  // Like a bookmark script: a completion queues more for the same character.
  f.events.on_complete = [&](RequestId id, int) {
    if (id == 1) f.engine.Play("Pip", "Wave");
    if (id == 2) f.engine.StopAll("Pip", std::nullopt);
  };
  f.engine.Show("Pip", true);
  f.engine.Speak("Pip", "one", "");
  ASSERT_TRUE(f.clock.RunUntilIdle());
  const Log expected = {"0 Start 1", "0 Show Pip 4",     "0 Complete 1 0",
                        "0 Start 2", "475 Complete 2 0", "475 Complete 3 3"};
  EXPECT_EQ(f.events.log, expected);
}

TEST(CharacterEngine, SameSeedSamePerformance) {
  auto perform = [](uint32_t seed) {
    EngineFixture f(seed);
    f.engine.Show("Pip", std::nullopt);
    for (int i = 0; i < 12; ++i) {
      f.engine.Play("Pip", "Idle1_1");  // a 50 % branch
      f.engine.Speak("Pip", "a|b c|d e f", "");
      f.engine.GestureAt("Pip", static_cast<int16_t>(i * 90), 5);
    }
    f.engine.Hide("Pip", std::nullopt);
    EXPECT_TRUE(f.clock.RunUntilIdle());
    return f.events.log;
  };
  EXPECT_EQ(perform(1), perform(1));
  EXPECT_NE(perform(1), perform(2));
}

TEST(CharacterEngine, PropertiesOfALoadedCharacter) {
  EngineFixture f;
  EXPECT_EQ(f.engine.Name("Pip"), "Pip");
  f.engine.SetLanguageID("Pip", 0x0407);
  EXPECT_EQ(f.engine.Name("PIP"), "Pieps");
  EXPECT_EQ(f.engine.Width("Pip"), 128);
  EXPECT_EQ(f.engine.Height("Pip"), 128);
  f.engine.SetWidth("Pip", 64);
  EXPECT_EQ(f.engine.Width("Pip"), 64);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.SetHeight("Pip", 0); }), service_error::kInvalidArgument);
  EXPECT_FALSE(f.engine.HasOtherClients("Pip"));
  EXPECT_FALSE(f.engine.Visible("Pip"));
  const auto names = f.engine.AnimationNames("Pip");
  EXPECT_NE(std::find(names.begin(), names.end(), "Wave"), names.end());
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.LoadModel("pip", PipModel()); }),
            service_error::kAlreadyLoaded);
  EXPECT_TRUE(f.engine.IsLoaded("PIP"));
  EXPECT_FALSE(f.engine.IsLoaded("Pal"));
}

TEST(CharacterEngine, BalloonSettings) {
  EngineFixture f;
  // Pip's file: balloon on, 3 lines of 32 characters.
  EXPECT_EQ(f.engine.Balloon("Pip").style & 0xFFFF0001, 0x03200001);
  f.engine.SetBalloonStyle("Pip", 0x523000D);
  EXPECT_EQ(f.engine.Balloon("Pip").style, 0x523000D);
  f.engine.SetBalloonStyle("Pip", 0x1);  // zero parts keep the size
  EXPECT_EQ(f.engine.Balloon("Pip").style, 0x5230001);
  for (int32_t bad : {0x00070001, static_cast<int32_t>(0x81000001)}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ErrorNumberOf([&] { f.engine.SetBalloonStyle("Pip", bad); }),
              service_error::kInvalidArgument);
  }
  f.engine.SetBalloonFontName("Pip", "Sans");
  f.engine.SetBalloonFontSize("Pip", 14);
  EXPECT_EQ(f.engine.Balloon("Pip").font_name, "Sans");
  EXPECT_EQ(f.engine.Balloon("Pip").font_size, 14);
  EXPECT_EQ(ErrorNumberOf([&] { f.engine.SetBalloonFontSize("Pip", 2161); }),
            service_error::kInvalidArgument);
}

TEST(CharacterEngine, CommandsCollection) {
  EngineFixture f;
  f.engine.SetCommandsCaption("Pip", "ZARNPlay - Pip");
  f.engine.CommandsAdd("Pip", "ACO", "Again", "again");
  f.engine.CommandsAdd("Pip", "ZARNClose", "Close", "");
  EXPECT_EQ(f.engine.CommandsCount("Pip"), 2);
  EXPECT_EQ(f.engine.CommandCaption("Pip", "ACO"), "Again");
  EXPECT_NE(ErrorNumberOf([&] { f.engine.CommandCaption("Pip", "Missing"); }), 0);
  EXPECT_NE(ErrorNumberOf([&] { f.engine.CommandsAdd("Pip", "aco", "x", ""); }), 0);
  f.engine.CommandsRemoveAll("Pip");
  EXPECT_EQ(f.engine.CommandsCount("Pip"), 0);
  UserInput input;
  input.name = "ACO";
  f.engine.SimulateCommand(input);
  EXPECT_TRUE(f.events.log.empty());
  f.clock.RunUntilIdle();
  EXPECT_EQ(f.events.log, Log{"0 Command ACO"});
}

TEST(CharacterEngine, ListenReportsFalseWithoutARecognizer) {
  EngineFixture f;
  EXPECT_FALSE(f.engine.Listen("Pip", true));
  EXPECT_TRUE(f.engine.Listen("Pip", false));
}

}  // namespace
}  // namespace zarn::test
