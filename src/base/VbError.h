#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zarn {

// A failure as the program reports it: an error number and its description.
// Ports and helpers throw it with the familiar numbers (5 invalid call,
// 6 overflow, 7 out of memory, 9 subscript, 13 type mismatch, 53 file not
// found, 75 path/file access, 76 path not found, 91 no object).
class VbError : public std::runtime_error {
 public:
  VbError(int32_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}

  int32_t Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

namespace vberr {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscript = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kNoObject = 91;
}  // namespace vberr

[[noreturn]] inline void Throw(int32_t number, const std::string& description) {
  throw VbError(number, description);
}
[[noreturn]] inline void ThrowOverflow() { throw VbError(vberr::kOverflow, "Overflow"); }
// Error 91: a method or property used with no object behind it.
[[noreturn]] inline void ThrowNoObject() {
  throw VbError(vberr::kNoObject, "Object variable or With block variable not set");
}
[[noreturn]] inline void ThrowTypeMismatch() {
  throw VbError(vberr::kTypeMismatch, "Type mismatch");
}

}  // namespace zarn
