#pragma once

// Reads the trace's JSON Lines back for assertions.

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zarn::testing {

struct TraceLine {
  double t = 0;
  std::string kind;
  std::string op;
  std::string character;
  std::vector<std::string> args;  // every argument as text (numbers as written)
  std::optional<int64_t> req;
  std::optional<int64_t> status;
  std::string result;
  std::string error;
  std::string raw;

  std::string Arg(size_t i) const { return i < args.size() ? args[i] : std::string(); }
};

// One record; a line that is not a JSON object throws.
TraceLine ParseTraceLine(const std::string& line);

inline std::vector<TraceLine> ParseTrace(const std::string& text) {
  std::vector<TraceLine> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(ParseTraceLine(line));
  }
  return lines;
}

// Records of one kind and op (op empty: every op of the kind).
inline std::vector<TraceLine> Select(const std::vector<TraceLine>& lines, const std::string& kind,
                                     const std::string& op = "") {
  std::vector<TraceLine> out;
  for (const auto& l : lines) {
    if (l.kind == kind && (op.empty() || l.op == op)) out.push_back(l);
  }
  return out;
}

// "kind op" for each record, for order assertions.
inline std::vector<std::string> Ops(const std::vector<TraceLine>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(l.kind + " " + l.op);
  return out;
}

}  // namespace zarn::testing
