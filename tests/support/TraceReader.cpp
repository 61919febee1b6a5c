#include "support/TraceReader.h"

#include <nlohmann/json.hpp>

namespace zarn::testing {
namespace {

// Strings as they are, anything else as JSON writes it.
std::string Text(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace

TraceLine ParseTraceLine(const std::string& line) {
  const nlohmann::json record = nlohmann::json::parse(line);
  TraceLine out;
  out.raw = line;
  out.t = record.value("t", 0.0);
  out.kind = record.value("kind", "");
  out.op = record.value("op", "");
  out.character = record.value("char", "");
  if (const auto args = record.find("args"); args != record.end()) {
    for (const auto& arg : *args) out.args.push_back(Text(arg));
  }
  if (record.contains("req")) out.req = record["req"].get<int64_t>();
  if (record.contains("status")) out.status = record["status"].get<int64_t>();
  if (record.contains("result")) out.result = Text(record["result"]);
  if (record.contains("error")) out.error = Text(record["error"]);
  return out;
}

}  // namespace zarn::testing
