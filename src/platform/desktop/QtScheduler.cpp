#include "platform/desktop/QtScheduler.h"

#include <algorithm>
#include <climits>

namespace zarn {

QtScheduler::QtScheduler() {
  clock_.start();
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { RunDue(); });
}

TimerId QtScheduler::PostAt(Millis at, std::function<void()> task) {
  const TimerId id = next_id_++;
  tasks_.emplace(Key{at, id}, std::move(task));
  due_.emplace(id, at);
  Arm();
  return id;
}

void QtScheduler::Cancel(TimerId id) {
  auto it = due_.find(id);
  if (it == due_.end()) return;
  tasks_.erase(Key{it->second, id});
  due_.erase(it);
  Arm();
}

void QtScheduler::RunDue() {
  // One at a time: a task may post, cancel or pump.
  while (!tasks_.empty() && tasks_.begin()->first.first <= Now()) {
    auto node = tasks_.extract(tasks_.begin());
    due_.erase(node.key().second);
    node.mapped()();
  }
  Arm();
}

void QtScheduler::Arm() {
  if (tasks_.empty()) {
    timer_.stop();
    return;
  }
  const Millis wait = std::clamp<Millis>(tasks_.begin()->first.first - Now(), 0, INT_MAX);
  timer_.start(static_cast<int>(wait));
}

}  // namespace zarn
