#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "base/VbError.h"

namespace zarn::test {
namespace {

using Log = std::vector<std::string>;

// The desktop reports the mouse; the script hears it from the loop, after
// whatever the engine was already doing at that moment.
TEST(UserMouse, RaisesTheEventsWithTheirArgumentsFromTheLoop) {
  struct Case {
    const char* name;
    std::function<void(CharacterEngine&)> act;
    Log expected;
  };
  const Case cases[] = {
      {"click",
       [](CharacterEngine& e) { e.UserClick("pip", 1, 0, 40, 50, false); },
       {"0 Click Pip 1 0 40 50"}},
      {"double click with shift and ctrl",
       [](CharacterEngine& e) { e.UserClick("Pip", 1, 3, 7, 8, true); },
       {"0 DblClick Pip 1 3 7 8"}},
      {"right click",
       [](CharacterEngine& e) { e.UserClick("Pip", 2, 0, 1, 2, false); },
       {"0 Click Pip 2 0 1 2"}},
      {"drag",
       [](CharacterEngine& e) {
         e.UserDragStart("Pip", 1, 0, 30, 30);
         e.UserDragComplete("Pip", 200, 150, 1, 0, 230, 180);
       },
       {"0 DragStart Pip 1 0 30 30", "0 DragComplete Pip 1 0 230 180", "0 Move Pip 200 150 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    c.act(f.engine);
    EXPECT_TRUE(f.events.log.empty());
    f.clock.RunUntilIdle();
    EXPECT_EQ(f.events.log, c.expected);
  }
  EngineFixture f;
  EXPECT_THROW(f.engine.UserClick("Nobody", 1, 0, 0, 0, false), VbError);
}

TEST(UserMouse, ADraggedCharacterMovesOnFromWhereItWasDropped) {
  EngineFixture f;
  f.engine.Show("Pip", true);
  f.clock.RunUntilIdle();
  f.engine.UserDragComplete("Pip", 300, 200, 1, 0, 0, 0);
  EXPECT_EQ(f.engine.Left("Pip"), 300);
  EXPECT_EQ(f.engine.Top("Pip"), 200);
  // Left, from the character's point of view its right.
  f.events.animations = true;
  f.engine.MoveTo("Pip", 100, 200, 500);
  f.clock.RunUntilIdle();
  EXPECT_NE(f.events.TimeOf("Anim MoveRight state"), -1);
}

// At once, as the tray's Hide: not behind what the script queued.
TEST(UserMouse, HideFromTheCharactersMenuGivesCauseSevenAtOnce) {
  EngineFixture f;
  f.engine.Show("Pip", true);
  f.clock.RunUntilIdle();
  const int64_t asked = f.clock.Now();
  f.engine.Speak("Pip", "A long sentence that would take a good many seconds to say aloud", "");
  f.engine.MoveTo("Pip", 600, 400, 100);
  f.engine.UserHide("Pip");
  f.clock.RunUntilIdle();
  EXPECT_FALSE(f.engine.Visible("Pip"));
  const int64_t hidden = f.events.TimeOf("Hide Pip 7");
  EXPECT_NE(hidden, -1);
  EXPECT_LT(hidden - asked, 2500);
}

}  // namespace
}  // namespace zarn::test
