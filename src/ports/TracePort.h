#pragma once

#include <cstdint>
#include <optional>
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

// Where the program records every call, event and action it makes.
class TracePort {
 public:
  virtual ~TracePort() = default;
  virtual void Write(const TraceRecord& record) = 0;
  virtual bool Enabled() const = 0;
};

}  // namespace zarn
