#include "charengine/AnimationPath.h"

#include <algorithm>

#include "charengine/CharacterModel.h"

namespace zarn {
namespace {

// Where an exiting animation goes from `index`; frames.size() ends it.
size_t ExitTarget(const std::vector<Frame>& frames, size_t index) {
  const int16_t exit = frames[index].exit_frame;
  if (exit == Frame::kExitHere) return frames.size();
  if (exit >= 0) return std::min(static_cast<size_t>(exit), frames.size());
  return index + 1;
}

size_t BranchTarget(const Frame& frame, size_t index, size_t count, BranchRandom& random) {
  if (frame.branches.empty()) return index + 1;
  const int roll = random.Percent();
  int cumulative = 0;
  for (const Branch& branch : frame.branches) {
    cumulative += branch.probability;
    if (roll < cumulative) return std::min(size_t{branch.frame}, count);
  }
  return index + 1;
}

void Push(AnimationPath& path, const std::vector<Frame>& frames, size_t index) {
  const int64_t duration = FrameMillis(frames[index]);
  path.steps.push_back({static_cast<uint16_t>(index), path.total_ms, duration});
  path.total_ms += duration;
}

}  // namespace

std::vector<bool> EndlessFrames(const Animation& animation) {
  const std::vector<Frame>& frames = animation.frames;
  const size_t count = frames.size();
  // Which frames lead where; the end is node `count`.
  std::vector<std::vector<size_t>> from(count + 1);
  bool branches = false;
  for (size_t i = 0; i < count; ++i) {
    int sum = 0;
    for (const Branch& branch : frames[i].branches) {
      if (branch.probability == 0) continue;
      branches = true;
      from[branch.frame < count ? branch.frame : count].push_back(i);
      sum += branch.probability;
    }
    if (sum < 100) from[i + 1].push_back(i);
  }
  std::vector<bool> endless(count, branches);
  if (!branches) return endless;
  // Frames that can reach the end, found backwards from it.
  std::vector<size_t> work = {count};
  while (!work.empty()) {
    const size_t node = work.back();
    work.pop_back();
    for (size_t source : from[node]) {
      if (!endless[source]) continue;
      endless[source] = false;
      work.push_back(source);
    }
  }
  return endless;
}

AnimationPath PlanAnimation(const Animation& animation, BranchRandom& random, size_t from,
                            const std::vector<bool>* endless, size_t max_steps) {
  AnimationPath path;
  const std::vector<Frame>& frames = animation.frames;
  const size_t count = frames.size();
  size_t index = from;
  while (index < count) {
    if ((endless != nullptr && (*endless)[index]) || path.steps.size() >= max_steps) {
      path.loops = true;
      break;
    }
    Push(path, frames, index);
    index = BranchTarget(frames[index], index, count, random);
  }
  path.next = index;
  return path;
}

AnimationPath PlanWholeAnimation(const Animation& animation, BranchRandom& random) {
  const std::vector<bool> endless = EndlessFrames(animation);
  return PlanAnimation(animation, random, 0, &endless);
}

AnimationPath PlanExit(const Animation& animation, size_t from, bool include_from) {
  AnimationPath path;
  const std::vector<Frame>& frames = animation.frames;
  const size_t count = frames.size();
  if (from >= count) {
    path.next = count;
    return path;
  }
  size_t index = include_from ? from : ExitTarget(frames, from);
  while (index < count && path.steps.size() < count) {
    Push(path, frames, index);
    index = ExitTarget(frames, index);
  }
  path.next = count;
  return path;
}

}  // namespace zarn
