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
// to a file (--trace) and, headless, a readable timeline on stdout. The file
// and the timeline gather lines in a buffer, written out when it fills and
// at Flush (when the program waits, before it starts another program, at
// exit); a system call per line would cost more than the line itself.
class Trace : public TracePort {
 public:
  // clock: milliseconds since start-up (virtual or real).
  explicit Trace(std::function<int64_t()> clock) : clock_(std::move(clock)) {}
  ~Trace() override;

  void OpenJsonFile(const std::string& path);  // throws VbError when it cannot
  // Each record reaches `out` as it is written (tests read it at any time).
  void SetJsonStream(std::ostream* out);
  // `line_by_line` for a terminal, where people watch the lines come.
  void SetTimelineStream(std::ostream* out, bool line_by_line = false);

  // Who a record is for, written as its "client" field when not empty (the
  // character service names the bus client that made the request).
  void SetClientOf(std::function<std::string(const TraceRecord&)> client_of) {
    client_of_ = std::move(client_of);
  }

  void Write(const TraceRecord& record) override;
  bool Enabled() const override { return json_ != nullptr || timeline_ != nullptr; }
  // Writes out what is buffered.
  void Flush();

  static std::string ToJson(const TraceRecord& record, int64_t millis);
  static std::string ToTimeline(const TraceRecord& record, int64_t millis);

 private:
  std::function<int64_t()> clock_;
  std::function<std::string(const TraceRecord&)> client_of_;
  std::unique_ptr<std::ostream> owned_json_;
  std::ostream* json_ = nullptr;
  std::ostream* timeline_ = nullptr;
  bool json_buffered_ = false;
  bool timeline_buffered_ = false;
  std::string json_buffer_;
  std::string timeline_buffer_;
};

}  // namespace zarn
