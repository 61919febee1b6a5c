#include "platform/headless/HeadlessLoop.h"

#include <chrono>
#include <thread>

namespace zarn {

TimerId HeadlessLoop::PostAt(Millis at, std::function<void()> task) {
  if (at < now_) at = now_;
  const TimerId id = next_id_++;
  tasks_.emplace(std::make_pair(at, id), std::move(task));
  due_of_.emplace(id, at);
  return id;
}

void HeadlessLoop::Cancel(TimerId id) {
  auto it = due_of_.find(id);
  if (it == due_of_.end()) return;
  tasks_.erase({it->second, id});
  due_of_.erase(it);
}

void HeadlessLoop::RunDue() {
  // Only what is due now: a task that sleeps moves the clock on, and what
  // falls due meanwhile waits for the next pump, so the idle loop regains
  // control even when tasks keep sleeping.
  const Millis until = now_;
  while (!tasks_.empty() && tasks_.begin()->first.first <= until) {
    auto node = tasks_.extract(tasks_.begin());
    due_of_.erase(node.key().second);
    node.mapped()();
  }
}

void HeadlessLoop::MoveClockTo(Millis at) {
  if (at <= now_) return;
  if (realtime_) std::this_thread::sleep_for(std::chrono::milliseconds(at - now_));
  now_ = at;
}

void HeadlessLoop::Advance(Millis milliseconds) {
  if (milliseconds > 0) MoveClockTo(now_ + milliseconds);
}

bool HeadlessLoop::RunNext() {
  if (tasks_.empty()) return false;
  MoveClockTo(tasks_.begin()->first.first);
  RunDue();
  return true;
}

}  // namespace zarn
