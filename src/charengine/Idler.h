#pragma once

#include <functional>

#include "charengine/BranchRandom.h"
#include "ports/Scheduler.h"

namespace zarn::engine {

// One character's idling: whether it may idle, whether it is idling (between
// IdleStart and IdleComplete), since when, and the timer of what comes next.
// Its timer is a background one, so idling keeps no run alive.
class Idler {
 public:
  explicit Idler(Scheduler& scheduler) : scheduler_(scheduler) {}

  bool On() const { return on_; }
  void SetOn(bool on) { on_ = on; }
  bool Idling() const { return idling_; }
  bool Waiting() const { return timer_ != 0; }

  // `task` runs at `at` unless Cancel comes first.
  void Arm(Millis at, std::function<void()> task);
  // The armed task runs: nothing is armed any more.
  void Fired() { timer_ = 0; }
  void Cancel();

  // True when idling starts with this (IdleStart is due).
  bool Begin();
  // True when idling ends with this (IdleComplete is due).
  bool End();
  // IdlingLevel1 for the first period, 2 for the second, 3 after.
  int Level() const;
  // The pause before the next idle animation.
  static Millis NextGap(BranchRandom& random);

 private:
  Scheduler& scheduler_;
  bool on_ = true;
  bool idling_ = false;
  TimerId timer_ = 0;
  Millis since_ = 0;
};

}  // namespace zarn::engine
