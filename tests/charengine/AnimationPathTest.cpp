#include <gtest/gtest.h>

#include <algorithm>

#include "charengine/AnimationPath.h"

namespace zarn {
namespace {

// Frames of 100 ms; `exits` and `branches` per frame index.
Animation MakeAnimation(int count, std::vector<std::pair<int, int16_t>> exits = {},
                        std::vector<std::pair<int, Branch>> branches = {}) {
  Animation animation;
  animation.name = "Test";
  animation.frames.resize(count);
  for (auto& frame : animation.frames) frame.duration = 10;
  for (auto [index, exit] : exits) animation.frames[index].exit_frame = exit;
  for (auto [index, branch] : branches) animation.frames[index].branches.push_back(branch);
  return animation;
}

std::vector<int> FramesOf(const AnimationPath& path) {
  std::vector<int> frames;
  for (const auto& step : path.steps) frames.push_back(step.frame);
  return frames;
}

TEST(AnimationPath, FollowsFramesBranchesAndStopsWhereItLoopsForEver) {
  struct Case {
    const char* name;
    Animation animation;
    std::vector<int> frames;
    bool loops;
    size_t next;  // where it goes on; the frame count when it ended
  };
  const Case cases[] = {
      {"straight", MakeAnimation(3), {0, 1, 2}, false, 3},
      {"no frames", MakeAnimation(0), {}, false, 0},
      {"certain branch skips ahead", MakeAnimation(4, {}, {{0, {3, 100}}}), {0, 3}, false, 4},
      {"zero probability never branches", MakeAnimation(3, {}, {{1, {0, 0}}}), {0, 1, 2}, false, 3},
      {"branch past the end ends", MakeAnimation(3, {}, {{0, {40, 100}}}), {0}, false, 3},
      {"endless from the first frame", MakeAnimation(3, {}, {{2, {0, 100}}}), {}, true, 0},
      {"every way from the start runs into the loop",
       MakeAnimation(4, {}, {{3, {1, 100}}}),
       {},
       true,
       0},
      {"endless after a lead-in that might have left",
       MakeAnimation(5, {}, {{0, {4, 1}}, {3, {1, 100}}}),
       {0},
       true,
       1},
      {"branches adding up to 100 % leave no way out",
       MakeAnimation(3, {}, {{2, {0, 60}}, {2, {1, 40}}}),
       {},
       true,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BranchRandom random(1);
    const AnimationPath path = PlanWholeAnimation(c.animation, random);
    EXPECT_EQ(FramesOf(path), c.frames);
    EXPECT_EQ(path.loops, c.loops);
    EXPECT_EQ(path.next, c.next);
    EXPECT_EQ(path.total_ms, static_cast<int64_t>(c.frames.size()) * 100);
    for (size_t i = 0; i < path.steps.size(); ++i) {
      EXPECT_EQ(path.steps[i].start_ms, static_cast<int64_t>(i) * 100);
    }
  }
}

TEST(AnimationPath, AFiniteLoopIsNeverCutShort) {
  // Frame 3 goes back to 1 at 90 %: long passes must still play out.
  const Animation animation = MakeAnimation(5, {}, {{3, {1, 90}}});
  BranchRandom random(5);
  size_t longest = 0;
  for (int i = 0; i < 200; ++i) {
    const AnimationPath path = PlanWholeAnimation(animation, random);
    ASSERT_FALSE(path.loops);
    ASSERT_EQ((path.steps.size() - 5) % 3, 0u);
    longest = std::max(longest, path.steps.size());
  }
  EXPECT_GT(longest, 5u + 3 * 20);
}

TEST(AnimationPath, ExitsFollowTheExitBranches) {
  // Like a gesture: 0 goes on, 1..4 jump to 5, 5 may stop.
  const Animation gesture = MakeAnimation(
      6, {{0, Frame::kNoExit}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, Frame::kExitHere}});
  const Animation cycling = MakeAnimation(2, {{0, 1}, {1, 0}});
  struct Case {
    const char* name;
    const Animation& animation;
    size_t from;
    bool include_from;
    std::vector<int> frames;
  };
  const Case cases[] = {
      {"mid-gesture jumps to the end pose", gesture, 3, false, {5}},
      {"the first frame carries on", gesture, 0, false, {1, 5}},
      {"from a frame not yet shown", gesture, 0, true, {0, 1, 5}},
      {"the last frame stops", gesture, 5, false, {}},
      {"exits that cycle end after one round", cycling, 0, false, {1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FramesOf(PlanExit(c.animation, c.from, c.include_from)), c.frames);
  }
}

TEST(AnimationPath, BranchesFollowTheirProbabilities) {
  // Frame 0 goes to 2 at 30 %, to 3 at 20 %, else to 1.
  Animation animation = MakeAnimation(4, {}, {{0, {2, 30}}, {0, {3, 20}}});
  BranchRandom random(7);
  int counts[4] = {};
  for (int i = 0; i < 10000; ++i) ++counts[PlanWholeAnimation(animation, random).steps[1].frame];
  EXPECT_NEAR(counts[1], 5000, 300);
  EXPECT_NEAR(counts[2], 3000, 300);
  EXPECT_NEAR(counts[3], 2000, 300);
}

TEST(AnimationPath, SameSeedSamePath) {
  Animation animation = MakeAnimation(5, {}, {{1, {3, 50}}, {3, {1, 50}}});
  auto run = [&](uint32_t seed) {
    BranchRandom random(seed);
    std::vector<std::vector<int>> paths;
    for (int i = 0; i < 50; ++i) paths.push_back(FramesOf(PlanWholeAnimation(animation, random)));
    return paths;
  };
  EXPECT_EQ(run(3), run(3));
  EXPECT_NE(run(3), run(4));
}

}  // namespace
}  // namespace zarn
