#include <gtest/gtest.h>

#include <stdexcept>

#include "core/eval/EvaluateCoordinate.h"
#include "core/eval/Placement.h"

namespace zarn {
namespace {

TEST(ComputePlacement, HalvesTruncateTowardZero) {
  struct Case {
    const char* name;
    int32_t screen_w, screen_h, width, height;
    PlacementValues expected;
  };
  const Case cases[] = {
      {"128 wide on 1024", 1024, 768, 128, 128, {0, 448, 896, 0, 320, 640}},
      {"129 wide on 1024", 1024, 768, 129, 97, {0, 448, 895, 0, 336, 671}},
      {"odd screen", 1023, 767, 128, 128, {0, 447, 895, 0, 319, 639}},
      {"larger than the screen", 1024, 768, 2000, 1000, {0, -488, -976, 0, -116, -232}},
      {"negative size truncates up", 1024, 768, -3, -5, {0, 513, 1027, 0, 386, 773}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PlacementValues v = ComputePlacement(c.screen_w, c.screen_h, c.width, c.height);
    EXPECT_EQ(v.left_x, c.expected.left_x);
    EXPECT_EQ(v.center_x, c.expected.center_x);
    EXPECT_EQ(v.right_x, c.expected.right_x);
    EXPECT_EQ(v.top_y, c.expected.top_y);
    EXPECT_EQ(v.center_y, c.expected.center_y);
    EXPECT_EQ(v.bottom_y, c.expected.bottom_y);
  }
}

TEST(SubstitutePlacementNames, ReplacesEveryNameWhateverItsCase) {
  const std::vector<PlacedCharacter> table = {{"Pip", 128, 128}, {"Max", 2000, 1000}};
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"Pip.MoveTo PipLeftX, PipTopY", "Pip.MoveTo 0, 0"},
      {"Pip.MoveTo piprightx,PIPBOTTOMY", "Pip.MoveTo 896,640"},
      {"PipCenterX PipCenterY PipCenterX", "448 320 448"},
      {"Max.MoveTo MaxRightX, maxBottomY", "Max.MoveTo -976, -232"},
      {"Pip.Speak Nothing to replace here", "Pip.Speak Nothing to replace here"},
      {"PipRight PipX Pip RightX", "PipRight PipX Pip RightX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SubstitutePlacementNames(c.text, table, 1024, 768), c.expected);
  }
}

// All words go in one pass only where that gives what replacing the words
// one by one, in their order, gives.
TEST(SubstitutePlacementNames, OnePassAgreesWithWordByWord) {
  const std::vector<PlacedCharacter> table = {{"X", 128, 128}, {"R2", 128, 128}, {"Pip", 128, 128}};
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"XCenterXLeftX", "XCenter0"},  // overlapping: LeftX goes first
      {"XLeftXTopY", "0TopY"},
      {"PipLeftXLeftX PipPipTopY", "PipLeft0 Pip0"},  // X's words go before Pip's
      {"R2LeftX R2rightx", "0 896"},                  // a name with a digit
      {"\xC3PipLeftX \xC3pipLeftX",
       "\xC3"
       "0 \xC3pipLeftX"},  // a lead byte pairs with what follows: that p stays small
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SubstitutePlacementNames(c.text, table, 1024, 768), c.expected);
  }
}

struct LiveCharacter {
  int32_t left, top, width, height;
};

CoordinateReader FakeService() {
  return [](const std::string& name, CoordinateProperty property) -> int32_t {
    LiveCharacter character{};
    if (name == "Pip") {
      character = {100, 50, 128, 96};
    } else if (name == "Max") {
      character = {-20, -7, 300, 200};
    } else {
      throw std::runtime_error("character is not loaded");
    }
    switch (property) {
      case CoordinateProperty::kLeft:
        return character.left;
      case CoordinateProperty::kTop:
        return character.top;
      case CoordinateProperty::kWidth:
        return character.width;
      case CoordinateProperty::kHeight:
        return character.height;
    }
    return 0;
  };
}

TEST(EvaluateCoordinate, SubstitutesLiveCoordinatesThenEvaluates) {
  const std::vector<std::string> loaded = {"Pip", "Max", "Ghost"};
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"Pip.Left + Pip.Width / 2", 164},
      {"pip.LEFT", 100},
      {"Pip.Height - Pip.Top", 46},
      {"(Pip.Left + Max.Width) * 2", 800},
      {"Max.Left", -20},
      {"-Max.Left", 20},  // a negative value is not read as a second sign
      {"10 - Max.Left", 30},
      {"Max.Left ^ 2", 400},
      {"2 ^ Max.Top", 0.0078125},
      {"Pip.Left + 0.5", 100.5},
      {"Nobody.Left", 0},           // not loaded
      {"Pip.Left + Ghost.Top", 0},  // loaded, but the service cannot read it
      {"Pip.Leftover", 0},
      {"Pip.Left +", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(EvaluateCoordinate(c.text, loaded, FakeService()), c.value);
  }
}

TEST(EvaluateCoordinate, OnlyTableNamesAreSubstituted) {
  // Max is known to the service but not in the character table.
  EXPECT_EQ(EvaluateCoordinate("Max.Left + 1", {"Pip"}, FakeService()), 0.0);
  EXPECT_EQ(EvaluateCoordinate("Pip.Left + 1", {"Pip"}, FakeService()), 101.0);
}

}  // namespace
}  // namespace zarn
