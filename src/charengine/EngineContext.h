#pragma once

#include <memory>

#include "charengine/BranchRandom.h"
#include "charengine/CharacterEngine.h"

namespace zarn::engine {

// What every part of the engine reaches: the loop, the options, the random
// choices and whoever hears and draws what the characters do.
struct Context {
  Context(Scheduler& scheduler_in, const CharacterEngineOptions& options_in)
      : scheduler(scheduler_in),
        options(options_in),
        random(options_in.seed),
        idle_random(options_in.seed ^ 0x5EED1D1Eu) {}

  Scheduler& scheduler;
  const CharacterEngineOptions& options;
  BranchRandom random;
  BranchRandom idle_random;  // apart, so idling leaves request branches as they were
  CharacterServiceEvents* events = nullptr;
  CharacterRenderSink* sink = nullptr;
  // Scheduled tasks check it after the engine is gone.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

}  // namespace zarn::engine
