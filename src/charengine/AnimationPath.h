#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "charengine/BranchRandom.h"
#include "charfile/CharacterFile.h"

namespace zarn {

struct FrameStep {
  uint16_t frame = 0;
  int64_t start_ms = 0;  // from the start of the path
  int64_t duration_ms = 0;
};

// Frames one stretch of an animation shows, in order.
struct AnimationPath {
  std::vector<FrameStep> steps;
  int64_t total_ms = 0;
  // Where the animation goes after the last step: the frame count when it
  // has run off its last frame; otherwise the frame where it loops on.
  size_t next = 0;
  bool loops = false;
};

// A path still going after this many frames is taken to loop for ever: with
// rare enough ways out a finite loop would otherwise plan for years.
inline constexpr size_t kMaxPlannedSteps = 1u << 16;

// Frames from which no branch or fall-through can ever reach the end: once
// there, the animation loops until it is asked to stop.
std::vector<bool> EndlessFrames(const Animation& animation);

// Follows the animation from frame `from`: at the end of each frame a
// branch is taken with its probability (rolls from `random`), else the next
// frame follows. Stops when it runs off the last frame, before it enters a
// frame marked in `endless` (if given), or after `max_steps` frames.
AnimationPath PlanAnimation(const Animation& animation, BranchRandom& random, size_t from = 0,
                            const std::vector<bool>* endless = nullptr,
                            size_t max_steps = kMaxPlannedSteps);

// From the start, stopping where the animation would loop for ever.
AnimationPath PlanWholeAnimation(const Animation& animation, BranchRandom& random);

// Winding down through the exit branches after frame `from` has played
// (with `include_from`, frame `from` first): each frame's exit branch leads
// on, -1 to the next frame, -2 or past the last frame ends it. A chain
// that comes back on itself (a broken file) ends after one round.
AnimationPath PlanExit(const Animation& animation, size_t from, bool include_from = false);

}  // namespace zarn
