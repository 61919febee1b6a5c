#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zarn {

// A call refused before it reaches the engine: the D-Bus error name and
// its message.
class BusError : public std::runtime_error {
 public:
  BusError(std::string name, const std::string& message)
      : std::runtime_error(message), name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

inline constexpr const char* kInvalidArgs = "org.zarnplay.Error.InvalidArgs";
inline constexpr const char* kNotLoaded = "org.zarnplay.Error.NotLoaded";
inline constexpr const char* kNoSuchRequest = "org.zarnplay.Error.NoSuchRequest";
inline constexpr const char* kTooManyRequests = "org.zarnplay.Error.TooManyRequests";
inline constexpr const char* kAccessDenied = "org.freedesktop.DBus.Error.AccessDenied";

// The error name a client sees for an engine failure (its error number).
std::string BusErrorName(int32_t number);
// And back: the error number a script sees for a bus error.
int32_t EngineErrorNumber(const std::string& name);

}  // namespace zarn
