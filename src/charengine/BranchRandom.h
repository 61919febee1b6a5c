#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

namespace zarn {

// Every random choice of the engine (branches, state animations, speech
// alternatives) comes from here, so one seed replays a performance exactly.
// mt19937's sequence is fixed by the standard; the distributions are not,
// hence the plain modulo.
class BranchRandom {
 public:
  explicit BranchRandom(uint32_t seed) : generator_(seed) {}

  // 0..99, for branch probabilities in percent.
  int Percent() { return static_cast<int>(generator_() % 100); }
  // 0..count-1; count must be positive.
  size_t Pick(size_t count) { return static_cast<size_t>(generator_() % count); }

 private:
  std::mt19937 generator_;
};

}  // namespace zarn
