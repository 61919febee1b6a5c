#include <gtest/gtest.h>

#include <algorithm>

#include "EngineTestSupport.h"

namespace zarn::test {
namespace {

using Log = std::vector<std::string>;
using Act = std::function<void(CharacterEngine&)>;

// Listening windows: who opens them, what ends them (the ListenComplete
// cause), and the Listening and Hearing states the service plays itself,
// which no client hears of as requests.
TEST(Listen, WindowsOpenCloseAndPlayTheirStates) {
  struct Step {
    Millis at;
    Act act;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Log expected;
    bool shown = true;
    bool has_hearing = true;
  };
  const Act listen = [](CharacterEngine& e) { EXPECT_TRUE(e.Listen("Pip", true)); };
  const Act unlisten = [](CharacterEngine& e) { EXPECT_TRUE(e.Listen("Pip", false)); };
  const Act key_down = [](CharacterEngine& e) { e.ListeningKey("Pip", true); };
  const Act key_up = [](CharacterEngine& e) { e.ListeningKey("Pip", false); };
  const Act speech = [](CharacterEngine& e) { e.SpeechStarted("Pip"); };
  const Act speech_end = [](CharacterEngine& e) { e.SpeechEnded("Pip"); };
  const Case cases[] = {
      {"code window times out", {{0, listen}}, {"0 ListenStart Pip", "10000 ListenComplete Pip 2"}},
      {"Listen False ends it",
       {{0, listen}, {3000, unlisten}},
       {"0 ListenStart Pip", "3000 ListenComplete Pip 1"}},
      {"Listen True again starts the time anew",
       {{0, listen}, {6000, listen}},
       {"0 ListenStart Pip", "16000 ListenComplete Pip 2"}},
      {"key held, then released",
       {{0, key_down}, {2000, key_up}},
       {"0 ListenStart Pip", "0 Anim Alert state", "2000 ListenComplete Pip 4"}},
      {"key held too long",
       {{0, key_down}},
       {"0 ListenStart Pip", "0 Anim Alert state", "600000 ListenComplete Pip 3"}},
      {"releasing the key leaves a code window alone",
       {{0, listen}, {1000, key_up}},
       {"0 ListenStart Pip", "10000 ListenComplete Pip 2"}},
      {"utterance in a code window",
       {{0, listen}, {1000, speech}, {1500, speech_end}},
       {"0 ListenStart Pip", "1000 Anim Hearing1 state", "1500 ListenComplete Pip 5"}},
      {"speech at once gives the waiting Listening state no turn",
       {{0,
         [&](CharacterEngine& e) {
           key_down(e);
           speech(e);
         }},
        {500, key_up}},
       {"0 ListenStart Pip", "0 Anim Hearing1 state", "500 ListenComplete Pip 4"}},
      {"speech outside a window is not heard", {{0, speech}, {10, speech_end}}, {}},
      {"a hidden character plays no state",
       {{0, key_down}, {0, speech}, {100, key_up}},
       {"0 ListenStart Pip", "100 ListenComplete Pip 4"},
       false},
      {"a character without Hearing plays nothing for it",
       {{0, listen}, {1000, speech}},
       {"0 ListenStart Pip", "10000 ListenComplete Pip 2"},
       true,
       false},
      {"the key interrupts a request in progress; the state follows its wind-down",
       {{0, [](CharacterEngine& e) { e.Play("Pip", "Greet"); }}, {10, key_down}, {1000, key_up}},
       {"0 Start 2", "0 Anim Greet request", "0 Sound Greet 0", "10 Complete 2 3",
        "10 ListenStart Pip", "800 Anim Alert state", "1000 ListenComplete Pip 4"}},
      {"a state still waiting when the window closes is dropped",
       {{0, [](CharacterEngine& e) { e.Play("Pip", "Greet"); }}, {10, key_down}, {200, key_up}},
       {"0 Start 2", "0 Anim Greet request", "0 Sound Greet 0", "10 Complete 2 3",
        "10 ListenStart Pip", "200 ListenComplete Pip 4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestScheduler clock;
    CharacterEngineOptions options;
    options.speech_input = true;
    CharacterEngine engine(clock, options);
    RecordingEvents events(clock);
    engine.SetEvents(&events);
    CharacterModel model = PipModel();
    if (!c.has_hearing) {
      std::erase_if(model.states, [](const State& s) { return s.name == "HEARING"; });
    }
    engine.LoadModel("Pip", std::move(model));
    engine.SetIdleOn("Pip", false);
    if (c.shown) engine.Show("Pip", true);
    clock.RunUntilIdle();
    events.log.clear();
    events.animations = true;
    for (const Step& step : c.steps) {
      clock.RunUntil(step.at);
      step.act(engine);
    }
    clock.RunUntil(kKeyListenWindowMs + 1000);
    EXPECT_EQ(events.log, c.expected);
  }
}

}  // namespace
}  // namespace zarn::test
