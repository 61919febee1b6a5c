#pragma once

#include <functional>

#include "ports/Scheduler.h"

namespace zarn::engine {

// One character's listening window: open or not, opened by the key or by
// Listen, and the timer that closes it. The timer is a background one: an
// open window keeps no run alive.
class Listener {
 public:
  explicit Listener(Scheduler& scheduler) : scheduler_(scheduler) {}

  bool Listening() const { return listening_; }
  bool ByKey() const { return by_key_; }

  // Opens the window, or starts an open one's time anew; `timed_out` runs
  // when its time is up. True when it was closed before.
  bool Open(bool by_key, std::function<void()> timed_out);
  // True when it was open.
  bool Close();
  // The closing timer has run.
  void Fired() { timer_ = 0; }
  // ListenComplete's cause when the time runs out.
  int TimeoutCause() const;

 private:
  Scheduler& scheduler_;
  bool listening_ = false;
  bool by_key_ = false;
  TimerId timer_ = 0;
};

}  // namespace zarn::engine
