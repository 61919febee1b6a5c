#include "charengine/Listener.h"

#include <utility>

#include "charengine/CharacterEngine.h"

namespace zarn::engine {

bool Listener::Open(bool by_key, std::function<void()> timed_out) {
  if (timer_ != 0) scheduler_.Cancel(timer_);
  const bool opens = !listening_;
  listening_ = true;
  by_key_ = by_key;
  timer_ = scheduler_.PostBackgroundAt(
      scheduler_.Now() + (by_key ? kKeyListenWindowMs : kListenWindowMs), std::move(timed_out));
  return opens;
}

bool Listener::Close() {
  if (!listening_) return false;
  listening_ = false;
  if (timer_ != 0) scheduler_.Cancel(timer_);
  timer_ = 0;
  return true;
}

int Listener::TimeoutCause() const {
  return by_key_ ? listen_cause::kKeyTimedOut : listen_cause::kCodeTimedOut;
}

}  // namespace zarn::engine
