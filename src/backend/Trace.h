#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ports/TracePort.h"

namespace zarn {

// Where every call, event and action of the program is recorded: JSON Lines
// to a file (--trace) and, headless, a readable timeline on stdout.
class Trace : public TracePort {
 public:
  // clock: milliseconds since start-up (virtual or real).
  explicit Trace(std::function<int64_t()> clock) : clock_(std::move(clock)) {}

  void OpenJsonFile(const std::string& path);  // throws VbError when it cannot
  void SetJsonStream(std::ostream* out) { json_ = out; }
  void SetTimelineStream(std::ostream* out) { timeline_ = out; }

  void Write(const TraceRecord& record) override;
  bool Enabled() const override { return json_ != nullptr || timeline_ != nullptr; }

  static std::string ToJson(const TraceRecord& record, int64_t millis);
  static std::string ToTimeline(const TraceRecord& record, int64_t millis);

 private:
  std::function<int64_t()> clock_;
  std::unique_ptr<std::ostream> owned_json_;
  std::ostream* json_ = nullptr;
  std::ostream* timeline_ = nullptr;
};

}  // namespace zarn
