#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

// The multimedia command-string service: one text command in, a result code
// (0 = success) and a text reply out, the way the platform call works.
class MediaCommandPort {
 public:
  virtual ~MediaCommandPort() = default;
  // `reply` is replaced by the command's reply ("" when it has none).
  virtual int32_t SendString(std::string_view command, std::string& reply) = 0;
  // A short English sentence for a result code.
  virtual std::string ErrorText(int32_t code) = 0;
};

}  // namespace zarn
