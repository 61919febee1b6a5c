#pragma once

#include <map>
#include <utility>

#include "ports/Scheduler.h"

namespace zarn {

// Virtual time: the clock moves only when the program sleeps or when the
// idle loop jumps to the next due task. With realtime set, every jump is
// paced by the wall clock.
class HeadlessLoop : public Scheduler {
 public:
  explicit HeadlessLoop(bool realtime = false) : realtime_(realtime) {}

  Millis Now() const override { return now_; }
  TimerId PostAt(Millis at, std::function<void()> task) override;
  void Cancel(TimerId id) override;

  // Runs every task due by the time of the call, including tasks they post
  // for that time. Safe to call from inside a task (a nested run's pump).
  void RunDue();
  // Sleeps: the clock moves on by `milliseconds`; nothing runs.
  void Advance(Millis milliseconds);
  bool HasPending() const { return !tasks_.empty(); }
  // Jumps to the next due task and runs what is due; false when none.
  bool RunNext();

 private:
  void MoveClockTo(Millis at);

  bool realtime_;
  Millis now_ = 0;
  TimerId next_id_ = 1;
  // Ordered by (due time, id): same-time tasks in posting order.
  std::map<std::pair<Millis, TimerId>, std::function<void()>> tasks_;
  std::map<TimerId, Millis> due_of_;
};

}  // namespace zarn
