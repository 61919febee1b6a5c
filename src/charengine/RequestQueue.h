#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

#include "charengine/EngineRequest.h"

namespace zarn::engine {

// One character's requests in order; the front is in progress while Busy.
// Taking requests out returns the ids a client hears of (not the quiet
// ones), in queue order.
class RequestQueue {
 public:
  using Match = std::function<bool(const Request&)>;

  bool Empty() const { return requests_.empty(); }
  size_t Size() const { return requests_.size(); }
  bool Busy() const { return busy_; }
  void SetBusy(bool busy) { busy_ = busy; }
  Request& Front() { return requests_.front(); }
  const Request& Front() const { return requests_.front(); }
  // Whether `id` is the request in progress.
  bool InProgress(RequestId id) const;
  // Whether the request in progress is a Wait for `finished`.
  bool WaitsFor(RequestId finished) const;

  void Push(Request request) { requests_.push_back(std::move(request)); }
  // Queued right after the request in progress.
  void PushNext(Request request);
  void PopFront() { requests_.pop_front(); }
  // The first request not yet started that matches.
  Request* FindWaiting(const Match& match);
  // Whether a request behind the front one matches.
  bool AnyBehindFront(const Match& match) const;

  // Takes `id` out; false when it is not queued.
  bool Take(RequestId id);
  // Takes everything but the front when `keep_front`.
  std::vector<RequestId> TakeAll(bool keep_front);
  std::vector<RequestId> TakeMatching(const Match& match);
  // Drops matching requests that have not started; no client hears of them.
  void DropWaiting(const Match& match);

  // Requests start from the pump: one start posted at a time.
  bool kick_posted = false;

 private:
  std::deque<Request> requests_;
  bool busy_ = false;
};

}  // namespace zarn::engine
