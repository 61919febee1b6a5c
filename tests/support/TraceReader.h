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

namespace detail {

inline void SkipSpace(const std::string& s, size_t& i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
}

inline std::string ReadString(const std::string& s, size_t& i) {
  std::string out;
  ++i;  // opening quote
  while (i < s.size() && s[i] != '"') {
    if (s[i] == '\\' && i + 1 < s.size()) {
      ++i;
      switch (s[i]) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          const int code = std::stoi(s.substr(i + 1, 4), nullptr, 16);
          out += static_cast<char>(code);
          i += 4;
          break;
        }
        default:
          out += s[i];
      }
    } else {
      out += s[i];
    }
    ++i;
  }
  ++i;  // closing quote
  return out;
}

inline std::string ReadScalar(const std::string& s, size_t& i) {
  SkipSpace(s, i);
  if (i < s.size() && s[i] == '"') return ReadString(s, i);
  const size_t start = i;
  while (i < s.size() && s[i] != ',' && s[i] != ']' && s[i] != '}') ++i;
  return s.substr(start, i - start);
}

}  // namespace detail

inline TraceLine ParseTraceLine(const std::string& line) {
  TraceLine out;
  out.raw = line;
  size_t i = 1;
  while (i < line.size() && line[i] != '}') {
    detail::SkipSpace(line, i);
    if (line[i] == ',') {
      ++i;
      continue;
    }
    const std::string key = detail::ReadString(line, i);
    ++i;  // colon
    if (key == "args") {
      ++i;  // [
      while (i < line.size() && line[i] != ']') {
        if (line[i] == ',') {
          ++i;
          continue;
        }
        out.args.push_back(detail::ReadScalar(line, i));
      }
      ++i;
      continue;
    }
    const std::string value = detail::ReadScalar(line, i);
    if (key == "t")
      out.t = std::stod(value);
    else if (key == "kind")
      out.kind = value;
    else if (key == "op")
      out.op = value;
    else if (key == "char")
      out.character = value;
    else if (key == "req")
      out.req = std::stoll(value);
    else if (key == "status")
      out.status = std::stoll(value);
    else if (key == "result")
      out.result = value;
    else if (key == "error")
      out.error = value;
  }
  return out;
}

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
