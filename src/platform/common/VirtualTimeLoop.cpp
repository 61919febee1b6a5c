#include "platform/common/VirtualTimeLoop.h"

#include <chrono>
#include <thread>

namespace zarn {

TimerId VirtualTimeLoop::Add(Millis at, std::function<void()> task, bool background) {
  if (at < now_) at = now_;
  const TimerId id = next_id_++;
  tasks_.emplace(std::make_pair(at, id), Task{std::move(task), background});
  due_of_.emplace(id, at);
  if (!background) ++foreground_;
  return id;
}

TimerId VirtualTimeLoop::PostAt(Millis at, std::function<void()> task) {
  return Add(at, std::move(task), false);
}

TimerId VirtualTimeLoop::PostBackgroundAt(Millis at, std::function<void()> task) {
  return Add(at, std::move(task), true);
}

void VirtualTimeLoop::Cancel(TimerId id) {
  auto it = due_of_.find(id);
  if (it == due_of_.end()) return;
  auto task = tasks_.find({it->second, id});
  if (!task->second.background) --foreground_;
  tasks_.erase(task);
  due_of_.erase(it);
}

void VirtualTimeLoop::RunDue() {
  // Only what is due now: a task that sleeps moves the clock on, and what
  // falls due meanwhile waits for the next pump, so the idle loop regains
  // control even when tasks keep sleeping.
  const Millis until = now_;
  while (!tasks_.empty() && tasks_.begin()->first.first <= until) {
    auto node = tasks_.extract(tasks_.begin());
    due_of_.erase(node.key().second);
    if (!node.mapped().background) --foreground_;
    node.mapped().run();
  }
}

void VirtualTimeLoop::MoveClockTo(Millis at) {
  if (at <= now_) return;
  if (realtime_) std::this_thread::sleep_for(std::chrono::milliseconds(at - now_));
  if (clock_observer_) clock_observer_(now_, at);
  now_ = at;
}

void VirtualTimeLoop::Advance(Millis milliseconds) {
  if (milliseconds > 0) MoveClockTo(now_ + milliseconds);
}

bool VirtualTimeLoop::RunNext() {
  if (foreground_ == 0) return false;
  MoveClockTo(tasks_.begin()->first.first);
  RunDue();
  return true;
}

}  // namespace zarn
