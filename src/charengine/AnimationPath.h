#pragma once

#include <cstdint>
#include <vector>

#include "charengine/BranchRandom.h"
#include "charfile/CharacterFile.h"

namespace zarn {

struct FrameStep {
  uint16_t frame = 0;
  int64_t start_ms = 0;  // from the start of the animation
  int64_t duration_ms = 0;
};

// The frames one playing of an animation shows, in order.
struct AnimationPath {
  std::vector<FrameStep> steps;
  int64_t total_ms = 0;
  bool wound_down = false;  // a loop was cut short through the exit branches
};

// How often a frame may be entered before the animation is made to wind
// down: a looping animation plays its loop this many times, then leaves
// through its exit branches, so every request ends.
inline constexpr int kMaxFrameVisits = 2;

// Follows the animation from its first frame: branches are taken with their
// probability, a frame without a taken branch goes on to the next one, and
// the animation ends past its last frame. Branch rolls come from `random`.
AnimationPath PlanAnimation(const Animation& animation, BranchRandom& random);

}  // namespace zarn
