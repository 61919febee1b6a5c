#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <map>
#include <unordered_map>
#include <utility>

#include "ports/Scheduler.h"

namespace zarn {

// The program's queue on the wall clock. One single-shot timer is armed for
// the earliest task, so tasks only ever run from the event loop or the pump.
class QtScheduler : public Scheduler {
 public:
  QtScheduler();

  Millis Now() const override { return clock_.elapsed(); }
  TimerId PostAt(Millis at, std::function<void()> task) override;
  void Cancel(TimerId id) override;

  // Runs every task that is due now (the pump).
  void RunDue();
  bool Empty() const { return tasks_.empty(); }

 private:
  using Key = std::pair<Millis, TimerId>;
  void Arm();

  QElapsedTimer clock_;
  QTimer timer_;
  TimerId next_id_ = 1;
  std::map<Key, std::function<void()>> tasks_;
  std::unordered_map<TimerId, Millis> due_;
};

}  // namespace zarn
