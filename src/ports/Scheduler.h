#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace zarn {

using Millis = int64_t;
using TimerId = uint64_t;

// The program's one event queue: callbacks posted here run only where the
// program lets pending events run (the pump), never in the middle of a call.
// Headless, time is virtual; on the desktop it is the wall clock.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Milliseconds since start-up.
  virtual Millis Now() const = 0;
  // Runs `task` once Now() >= at. Tasks due at the same time run in the
  // order they were posted.
  virtual TimerId PostAt(Millis at, std::function<void()> task) = 0;
  // A task that keeps nothing alive by itself (idling, an animation that
  // loops until it is stopped): a loop waiting for work counts only the
  // other tasks. Where nothing waits for work it is an ordinary task.
  virtual TimerId PostBackgroundAt(Millis at, std::function<void()> task) {
    return PostAt(at, std::move(task));
  }
  TimerId Post(std::function<void()> task) { return PostAt(Now(), std::move(task)); }
  TimerId PostAfter(Millis delay, std::function<void()> task) {
    return PostAt(Now() + delay, std::move(task));
  }
  virtual void Cancel(TimerId id) = 0;
};

}  // namespace zarn
