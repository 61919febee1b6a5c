#include <gtest/gtest.h>

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

TEST(AnimationPath, FollowsFramesBranchesAndExits) {
  struct Case {
    const char* name;
    Animation animation;
    std::vector<int> frames;
  };
  const Case cases[] = {
      {"straight", MakeAnimation(3), {0, 1, 2}},
      {"no frames", MakeAnimation(0), {}},
      {"certain branch skips ahead", MakeAnimation(4, {}, {{0, {3, 100}}}), {0, 3}},
      {"zero probability never branches", MakeAnimation(3, {}, {{1, {0, 0}}}), {0, 1, 2}},
      {"endless loop plays twice then leaves by its exit",
       MakeAnimation(4, {{1, 3}, {3, Frame::kExitHere}}, {{2, {0, 100}}}),
       {0, 1, 2, 0, 1, 2, 3}},
      {"loop without exit branches ends after the last frame",
       MakeAnimation(3, {}, {{2, {0, 100}}}),
       {0, 1, 2, 0, 1, 2}},
      {"exit here stops at once when winding down",
       MakeAnimation(3, {{2, Frame::kExitHere}}, {{2, {1, 100}}}),
       {0, 1, 2, 1, 2}},
      {"branch past the end ends", MakeAnimation(3, {}, {{0, {40, 100}}}), {0}},
      {"cycling exit branches are bounded",
       MakeAnimation(2, {{0, 1}, {1, 0}}, {{1, {0, 100}}}),
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BranchRandom random(1);
    const AnimationPath path = PlanAnimation(c.animation, random);
    if (std::string(c.name) == "cycling exit branches are bounded") {
      EXPECT_LE(path.steps.size(), 2u * (kMaxFrameVisits + 2) + 1);
      continue;
    }
    EXPECT_EQ(FramesOf(path), c.frames);
    EXPECT_EQ(path.total_ms, static_cast<int64_t>(c.frames.size()) * 100);
    for (size_t i = 0; i < path.steps.size(); ++i) {
      EXPECT_EQ(path.steps[i].start_ms, static_cast<int64_t>(i) * 100);
    }
  }
}

TEST(AnimationPath, BranchesFollowTheirProbabilities) {
  // Frame 0 goes to 2 at 30 %, to 3 at 20 %, else to 1.
  Animation animation = MakeAnimation(4, {}, {{0, {2, 30}}, {0, {3, 20}}});
  BranchRandom random(7);
  int counts[4] = {};
  for (int i = 0; i < 10000; ++i) ++counts[PlanAnimation(animation, random).steps[1].frame];
  EXPECT_NEAR(counts[1], 5000, 300);
  EXPECT_NEAR(counts[2], 3000, 300);
  EXPECT_NEAR(counts[3], 2000, 300);
}

TEST(AnimationPath, SameSeedSamePath) {
  Animation animation = MakeAnimation(5, {}, {{1, {3, 50}}, {3, {1, 50}}});
  auto run = [&](uint32_t seed) {
    BranchRandom random(seed);
    std::vector<std::vector<int>> paths;
    for (int i = 0; i < 50; ++i) paths.push_back(FramesOf(PlanAnimation(animation, random)));
    return paths;
  };
  EXPECT_EQ(run(3), run(3));
  EXPECT_NE(run(3), run(4));
}

}  // namespace
}  // namespace zarn
