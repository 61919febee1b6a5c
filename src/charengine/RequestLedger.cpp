#include "charengine/RequestLedger.h"

#include "base/VbError.h"
#include "charengine/ServiceErrors.h"

namespace zarn::engine {

RequestId RequestLedger::Add(size_t owner) {
  const RequestId id = static_cast<RequestId>(statuses_.size());
  statuses_.push_back(request_status::kPending);
  owners_.push_back(static_cast<uint32_t>(owner));
  return id;
}

bool RequestLedger::Exists(RequestId request) const {
  return request > 0 && static_cast<size_t>(request) < statuses_.size();
}

void RequestLedger::Check(RequestId request) const {
  if (!Exists(request)) {
    throw VbError(service_error::kRequestNotFound, "The request does not exist");
  }
}

bool RequestLedger::IsFinal(RequestId request) const {
  const int status = Status(request);
  return status != request_status::kPending && status != request_status::kInProgress;
}

int32_t RequestLedger::Number(RequestId request) const {
  auto it = numbers_.find(request);
  return it == numbers_.end() ? 0 : it->second;
}

}  // namespace zarn::engine
