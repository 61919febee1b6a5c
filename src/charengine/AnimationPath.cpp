#include "charengine/AnimationPath.h"

#include "charengine/CharacterModel.h"

namespace zarn {
namespace {

// Where a winding-down animation goes from `index`; frames.size() ends it.
size_t ExitTarget(const std::vector<Frame>& frames, size_t index) {
  const int16_t exit = frames[index].exit_frame;
  if (exit == Frame::kExitHere) return frames.size();
  if (exit >= 0) return static_cast<size_t>(exit);
  return index + 1;
}

size_t BranchTarget(const Frame& frame, size_t index, BranchRandom& random) {
  if (frame.branches.empty()) return index + 1;
  const int roll = random.Percent();
  int cumulative = 0;
  for (const Branch& branch : frame.branches) {
    cumulative += branch.probability;
    if (roll < cumulative) return branch.frame;
  }
  return index + 1;
}

}  // namespace

AnimationPath PlanAnimation(const Animation& animation, BranchRandom& random) {
  AnimationPath path;
  const std::vector<Frame>& frames = animation.frames;
  const size_t count = frames.size();
  std::vector<int> visits(count, 0);
  // Exit branches of a broken file may cycle; this bounds any path.
  const size_t max_steps = count * (kMaxFrameVisits + 2) + 1;
  bool exiting = false;
  size_t index = 0;
  while (index < count && path.steps.size() < max_steps) {
    ++visits[index];
    const int64_t duration = FrameMillis(frames[index]);
    path.steps.push_back({static_cast<uint16_t>(index), path.total_ms, duration});
    path.total_ms += duration;
    if (exiting) {
      index = ExitTarget(frames, index);
      continue;
    }
    size_t next = BranchTarget(frames[index], index, random);
    if (next < count && visits[next] >= kMaxFrameVisits) {
      exiting = true;
      path.wound_down = true;
      next = ExitTarget(frames, index);
    }
    index = next;
  }
  return path;
}

}  // namespace zarn
