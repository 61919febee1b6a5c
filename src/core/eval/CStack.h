#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/VbError.h"

namespace zarn {

// Error numbers of the evaluator's objects, counted from the base of
// user-defined object errors.
namespace evalerr {
inline constexpr int32_t kObjectErrorBase = -2147221504;  // 0x80040000
inline constexpr int32_t kSyntax = kObjectErrorBase + 1001;
inline constexpr int32_t kPopEmpty = kObjectErrorBase + 1011;
inline constexpr int32_t kGetPopValueEmpty = kObjectErrorBase + 1012;
}  // namespace evalerr

// Last-in-first-out stack of numbers or texts. Popping an empty stack is
// not fatal: it yields an empty value and leaves the failure in LastError().
class CStack {
 public:
  using Value = std::variant<std::monostate, double, std::string>;

  void Push(Value value);
  Value Pop();
  const Value& GetPopValue();
  int32_t StackSize() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  bool Empty() const { return count_ == 0; }

  const std::optional<VbError>& LastError() const { return last_error_; }

 private:
  static constexpr int32_t kGrowth = 10;

  std::vector<Value> items_;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  std::optional<VbError> last_error_;
};

}  // namespace zarn
