#include "core/eval/CStack.h"

#include <limits>

namespace zarn {

namespace {
const CStack::Value kEmptyValue{};
}  // namespace

void CStack::Push(Value value) {
  if (count_ == std::numeric_limits<int32_t>::max()) ThrowOverflow();
  if (count_ + 1 > capacity_) {
    capacity_ += kGrowth;
    items_.resize(static_cast<size_t>(capacity_));
  }
  items_[static_cast<size_t>(count_)] = std::move(value);
  ++count_;
}

CStack::Value CStack::Pop() {
  if (count_ == 0) {
    last_error_.emplace(evalerr::kPopEmpty, "Pop method invoked on empty stack");
    return {};
  }
  --count_;
  // The slot stays allocated; moving out leaves it cheap to overwrite.
  return std::move(items_[static_cast<size_t>(count_)]);
}

const CStack::Value& CStack::GetPopValue() {
  if (count_ == 0) {
    last_error_.emplace(evalerr::kGetPopValueEmpty, "GetPopValue method invoked on empty stack");
    return kEmptyValue;
  }
  return items_[static_cast<size_t>(count_ - 1)];
}

}  // namespace zarn
