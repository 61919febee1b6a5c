#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <utility>

#include "ports/Scheduler.h"

namespace zarn {

// Virtual time: the clock moves only when the program sleeps or when the
// idle loop jumps to the next due task. With realtime set, every jump is
// paced by the wall clock.
class VirtualTimeLoop : public Scheduler {
 public:
  explicit VirtualTimeLoop(bool realtime = false) : realtime_(realtime) {}

  Millis Now() const override { return now_; }
  TimerId PostAt(Millis at, std::function<void()> task) override;
  TimerId PostBackgroundAt(Millis at, std::function<void()> task) override;
  void Cancel(TimerId id) override;

  // Runs every task due by the time of the call, including tasks they post
  // for that time. Safe to call from inside a task (a nested run's pump).
  void RunDue();
  // Sleeps: the clock moves on by `milliseconds`; nothing runs.
  void Advance(Millis milliseconds);
  // Whether a task other than a background one waits.
  bool HasPending() const { return foreground_ > 0; }
  // Jumps to the next due task and runs what is due; false when only
  // background tasks (or none) remain, so idling never keeps a run going.
  bool RunNext();
  // Called whenever the clock moves on, before anything runs at the new
  // time (a recording draws the frames in between).
  void OnClockMove(std::function<void(Millis from, Millis to)> observer) {
    clock_observer_ = std::move(observer);
  }

 private:
  struct Task {
    std::function<void()> run;
    bool background = false;
  };

  TimerId Add(Millis at, std::function<void()> task, bool background);
  void MoveClockTo(Millis at);

  bool realtime_;
  std::function<void(Millis, Millis)> clock_observer_;
  Millis now_ = 0;
  TimerId next_id_ = 1;
  size_t foreground_ = 0;
  // Ordered by (due time, id): same-time tasks in posting order.
  std::map<std::pair<Millis, TimerId>, Task> tasks_;
  std::map<TimerId, Millis> due_of_;
};

}  // namespace zarn
