// Branching, loops, sound effects and idling, played on Loopy (see
// charfile/TestCharacters.h for its animations).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "EngineTestSupport.h"

namespace zarn::test {
namespace {

struct LoopyFixture {
  explicit LoopyFixture(uint32_t seed = 1)
      : engine(clock, EngineFixture::MakeOptions(seed),
               [](const std::string&) { return ModelOf(LoopyCharacter()); }),
        events(clock) {
    engine.SetEvents(&events);
    events.animations = true;
    engine.LoadModel("Loopy", ModelOf(LoopyCharacter()));
    engine.Show("Loopy", true);
    clock.RunUntilIdle();
    events.log.clear();
  }
  // How long a request took from its start to its completion.
  int64_t Took(RequestId request, int status = 0) const {
    return events.TimeOf("Complete " + std::to_string(request) + " " + std::to_string(status)) -
           events.TimeOf("Start " + std::to_string(request));
  }

  TestScheduler clock;
  CharacterEngine engine;
  RecordingEvents events;
};

// Gesture: one pass is frames 0..7 (800 ms); each loop back adds 4..6.
constexpr int64_t kGesturePass = 800;
constexpr int64_t kGestureLoop = 300;

TEST(Playback, AFiniteLoopAlwaysPlaysItsWholePass) {
  std::set<int64_t> lengths;
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    LoopyFixture f(seed);
    const RequestId gesture = f.engine.Play("Loopy", "Gesture");
    f.engine.Play("Loopy", "Chime");  // waiting behind it must not cut it short
    ASSERT_TRUE(f.clock.RunUntilIdle());
    const int64_t took = f.Took(gesture);
    ASSERT_GE(took, kGesturePass);
    EXPECT_EQ((took - kGesturePass) % kGestureLoop, 0);
    lengths.insert(took);
  }
  EXPECT_GE(lengths.size(), 4u);  // no loop, one, two, more
}

TEST(Playback, TheLoopIsTakenAtItsProbability) {
  LoopyFixture f(7);
  constexpr int kPlays = 2000;
  std::vector<RequestId> plays;
  for (int i = 0; i < kPlays; ++i) plays.push_back(f.engine.Play("Loopy", "Gesture"));
  ASSERT_TRUE(f.clock.RunUntilIdle());
  int looped = 0;
  int64_t loops = 0;
  for (RequestId play : plays) {
    const int64_t extra = (f.Took(play) - kGesturePass) / kGestureLoop;
    looped += extra > 0;
    loops += extra;
  }
  // 50 % at the branch: half the plays loop, once on average (geometric).
  ::testing::Test::RecordProperty("looped", looped);
  ::testing::Test::RecordProperty("loops", static_cast<int>(loops));
  EXPECT_NEAR(looped, kPlays / 2, 70);
  EXPECT_NEAR(static_cast<double>(loops) / kPlays, 1.0, 0.1);
}

class FrameRecorder : public CharacterRenderSink {
 public:
  explicit FrameRecorder(const Scheduler& clock) : clock_(clock) {}
  void FrameShown(const std::string&, const std::string&, int frame) override {
    frames.emplace_back(clock_.Now(), frame);
  }
  std::vector<std::pair<Millis, int>> frames;

 private:
  const Scheduler& clock_;
};

TEST(Playback, AnEndlessLoopHoldsItsQueueUntilItIsLetGo) {
  // Spin and Whirl: frame 0, then 1..3 for ever; exits 1..3 -> 4. A request
  // queued at 1000 (frame 1 shows 1000..1100) either waits or lets the loop
  // wind down: 1 plays out, the exit skips to 4, done at 1200.
  struct Case {
    const char* name;
    const char* animation;
    bool hide;
    bool held;
  };
  const Case cases[] = {
      {"a Speak waits behind a loop without exit branching", "Spin", false, true},
      {"a Hide lets it go", "Spin", true, false},
      {"any request lets a loop with exit branching go", "Whirl", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopyFixture f;
    FrameRecorder frames(f.clock);
    f.engine.SetRenderSink(&frames);
    const RequestId loop = f.engine.Play("Loopy", c.animation);
    f.clock.RunUntil(1000);
    const RequestId next =
        c.hide ? f.engine.Hide("Loopy", std::nullopt) : f.engine.Speak("Loopy", "hi", "");
    ASSERT_TRUE(f.clock.RunUntilIdle());  // a held loop keeps no run alive
    if (!c.held) {
      EXPECT_EQ(f.Took(loop), 1200);
      EXPECT_EQ(f.events.TimeOf("Start " + std::to_string(next)), 1200);
      EXPECT_TRUE(f.engine.HeldLoops().empty());
      continue;
    }
    f.clock.RunUntil(10050);
    EXPECT_EQ(f.engine.RequestStatus(next), request_status::kPending);
    EXPECT_EQ(f.engine.HeldLoops(),
              (std::vector<std::pair<std::string, std::string>>{{"Loopy", "Spin"}}));
    // At 10050 frame 1 shows (since 10000): it plays out, then the exit.
    frames.frames.clear();
    f.engine.Stop("Loopy", loop);
    ASSERT_TRUE(f.clock.RunUntilIdle());
    EXPECT_EQ(f.events.TimeOf("Complete " + std::to_string(loop) + " 3"), 10050);
    EXPECT_EQ(f.events.TimeOf("Start " + std::to_string(next)), 10200);
    ASSERT_FALSE(frames.frames.empty());
    EXPECT_EQ(frames.frames.front(), (std::pair<Millis, int>{10100, 4}));
  }
}

TEST(Playback, ASoundEffectHoldsItsRequest) {
  LoopyFixture f;
  const RequestId chime = f.engine.Play("Loopy", "Chime");  // 100 ms, 2.0 s sound
  const RequestId speak = f.engine.Speak("Loopy", "hi", "");
  ASSERT_TRUE(f.clock.RunUntilIdle());
  EXPECT_EQ(f.events.TimeOf("Sound Chime 0"), 0);
  EXPECT_EQ(f.Took(chime), 2000);
  EXPECT_EQ(f.events.TimeOf("Start " + std::to_string(speak)), 2000);
}

// IdlingLevel of an idle animation started `ms` after IdleStart.
int LevelAt(int64_t ms) { return ms < kIdlePeriodMs ? 1 : ms < 2 * kIdlePeriodMs ? 2 : 3; }

TEST(Playback, IdlingRisesThroughTheLevelsAndEndsWithARequest) {
  LoopyFixture f;
  f.engine.Play("Loopy", "Bow");  // 200 ms; its Return plays before idling
  ASSERT_TRUE(f.clock.RunUntilIdle());
  EXPECT_EQ(f.clock.Now(), 200);  // idling keeps no run alive
  f.clock.RunUntil(70000);
  EXPECT_EQ(f.events.TimeOf("Anim BowReturn return"), 200 + kIdleDelayMs);
  const int64_t idle_start = f.events.TimeOf("IdleStart Loopy");
  EXPECT_EQ(idle_start, 200 + kIdleDelayMs + 200);
  std::set<int> levels;
  int64_t last = idle_start;
  for (const std::string& entry : f.events.log) {
    const size_t at = entry.find(" Anim Idle");
    if (at == std::string::npos) continue;
    const int64_t t = std::stoll(entry.substr(0, at));
    const int level = entry[at + 10] - '0';
    EXPECT_EQ(level, LevelAt(t - idle_start)) << entry;
    EXPECT_GE(t - last, kIdleGapMinMs) << entry;
    EXPECT_LE(t - last, kIdleGapMaxMs + 300) << entry;
    levels.insert(level);
    last = t;
  }
  EXPECT_EQ(levels, (std::set<int>{1, 2, 3}));

  // Idle frames may all stop at once: the request starts when it comes.
  const RequestId speak = f.engine.Speak("Loopy", "hi", "");
  ASSERT_TRUE(f.clock.RunUntilIdle());
  const int64_t complete = f.events.TimeOf("IdleComplete Loopy");
  EXPECT_EQ(complete, 70000);
  EXPECT_EQ(f.events.TimeOf("Start " + std::to_string(speak)), 70000);
  EXPECT_LT(
      std::find(f.events.log.begin(), f.events.log.end(), "70000 IdleComplete Loopy"),
      std::find(f.events.log.begin(), f.events.log.end(), "70000 Start " + std::to_string(speak)));
}

TEST(Playback, IdleOnFalseAndHiddenCharactersDoNotIdle) {
  for (const bool hide : {false, true}) {
    SCOPED_TRACE(hide ? "hidden" : "IdleOn False");
    LoopyFixture f;
    if (hide) {
      f.engine.Hide("Loopy", true);
    } else {
      f.engine.SetIdleOn("Loopy", false);
    }
    f.clock.RunUntil(60000);
    EXPECT_EQ(f.events.TimeOf("IdleStart Loopy"), -1);
  }
}

}  // namespace
}  // namespace zarn::test
