#include "charengine/RequestQueue.h"

#include <algorithm>

namespace zarn::engine {

bool RequestQueue::InProgress(RequestId id) const {
  return busy_ && !requests_.empty() && requests_.front().id == id;
}

bool RequestQueue::WaitsFor(RequestId finished) const {
  if (!busy_ || requests_.empty()) return false;
  const Request& front = requests_.front();
  return front.kind == Kind::kWait && front.other == finished;
}

void RequestQueue::PushNext(Request request) {
  requests_.insert(requests_.begin() + (busy_ ? 1 : 0), std::move(request));
}

Request* RequestQueue::FindWaiting(const Match& match) {
  for (size_t i = busy_ ? 1 : 0; i < requests_.size(); ++i) {
    if (match(requests_[i])) return &requests_[i];
  }
  return nullptr;
}

bool RequestQueue::AnyBehindFront(const Match& match) const {
  return requests_.size() > 1 && std::any_of(requests_.begin() + 1, requests_.end(), match);
}

bool RequestQueue::Take(RequestId id) {
  auto it = std::find_if(requests_.begin(), requests_.end(),
                         [id](const Request& request) { return request.id == id; });
  if (it == requests_.end()) return false;
  requests_.erase(it);
  return true;
}

std::vector<RequestId> RequestQueue::TakeAll(bool keep_front) {
  std::vector<RequestId> removed;
  for (size_t i = keep_front ? 1 : 0; i < requests_.size(); ++i) {
    if (!requests_[i].quiet) removed.push_back(requests_[i].id);
  }
  requests_.resize(std::min(requests_.size(), size_t{keep_front ? 1u : 0u}));
  return removed;
}

std::vector<RequestId> RequestQueue::TakeMatching(const Match& match) {
  std::vector<RequestId> removed;
  std::deque<Request> kept;
  for (Request& request : requests_) {
    if (!match(request)) {
      kept.push_back(std::move(request));
    } else if (!request.quiet) {
      removed.push_back(request.id);
    }
  }
  requests_ = std::move(kept);
  return removed;
}

void RequestQueue::DropWaiting(const Match& match) {
  requests_.erase(std::remove_if(requests_.begin() + (busy_ ? 1 : 0), requests_.end(), match),
                  requests_.end());
}

}  // namespace zarn::engine
