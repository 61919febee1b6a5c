#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace zarn {

// One value in a trace record's argument list.
using TraceValue = std::variant<std::string, int64_t, double, bool>;

// One line of the trace: {"t":..,"kind":..,"op":..,"char":..,"args":[..],
// "req":..,"status":..,"result":..,"error":..}. Field names are stable.
struct TraceRecord {
  std::string kind;
  std::string op;
  std::optional<std::string> character;
  std::vector<TraceValue> args;
  std::optional<int64_t> req;
  std::optional<int64_t> status;
  std::optional<TraceValue> result;
  std::optional<std::string> error;

  TraceRecord(std::string k, std::string o) : kind(std::move(k)), op(std::move(o)) {}
  TraceRecord& Char(std::string name) {
    character = std::move(name);
    return *this;
  }
  TraceRecord& Arg(TraceValue v) {
    args.push_back(std::move(v));
    return *this;
  }
  TraceRecord& Arg(const char* v) {
    args.emplace_back(std::string(v));
    return *this;
  }
  TraceRecord& Arg(int v) {
    args.emplace_back(int64_t{v});
    return *this;
  }
  TraceRecord& Req(int64_t id) {
    req = id;
    return *this;
  }
  TraceRecord& Status(int64_t s) {
    status = s;
    return *this;
  }
  TraceRecord& Result(TraceValue v) {
    result = std::move(v);
    return *this;
  }
  TraceRecord& Error(std::string e) {
    error = std::move(e);
    return *this;
  }
};

// Where every call, event and action of the program is recorded: JSON Lines
// to a file (--trace) and, headless, a readable timeline on stdout.
class Trace {
 public:
  // clock: milliseconds since start-up (virtual or real).
  explicit Trace(std::function<int64_t()> clock) : clock_(std::move(clock)) {}

  void OpenJsonFile(const std::string& path);  // throws VbError when it cannot
  void SetJsonStream(std::ostream* out) { json_ = out; }
  void SetTimelineStream(std::ostream* out) { timeline_ = out; }

  void Write(const TraceRecord& record);
  bool Enabled() const { return json_ != nullptr || timeline_ != nullptr; }

  static std::string ToJson(const TraceRecord& record, int64_t millis);
  static std::string ToTimeline(const TraceRecord& record, int64_t millis);

 private:
  std::function<int64_t()> clock_;
  std::unique_ptr<std::ostream> owned_json_;
  std::ostream* json_ = nullptr;
  std::ostream* timeline_ = nullptr;
};

}  // namespace zarn
