#include "charfile/AcdValues.h"

#include <cstdio>

namespace zarn::charfile {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint64_t> ParseHex(std::string_view digits, size_t max_digits) {
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  uint64_t v = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint64_t>(d);
  }
  return v;
}

bool HexPrefix(std::string_view v) {
  return v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X');
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view Unquoted(std::string_view value) {
  size_t first = value.find('"');
  size_t last = value.rfind('"');
  if (first == std::string_view::npos || last == first) return value;
  return value.substr(first + 1, last - first - 1);
}

std::optional<int64_t> ParseInteger(std::string_view value) {
  value = Unquoted(TrimBlanks(value));
  if (HexPrefix(value)) {
    auto v = ParseHex(value.substr(2), 8);
    if (!v) return std::nullopt;
    return static_cast<int64_t>(*v);
  }
  bool negative = !value.empty() && value[0] == '-';
  if (negative || (!value.empty() && value[0] == '+')) value.remove_prefix(1);
  if (value.empty() || value.size() > 10) return std::nullopt;
  int64_t v = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

std::optional<Color> ParseColor(std::string_view value) {
  value = Unquoted(TrimBlanks(value));
  if (HexPrefix(value)) value.remove_prefix(2);
  auto v = ParseHex(value, 8);
  if (!v) return std::nullopt;
  return Color{static_cast<uint8_t>(*v), static_cast<uint8_t>(*v >> 8),
               static_cast<uint8_t>(*v >> 16)};
}

std::string FormatColor(const Color& c) {
  char text[16];
  std::snprintf(text, sizeof text, "00%02X%02X%02X", c.b, c.g, c.r);
  return text;
}

std::optional<Guid> ParseGuid(std::string_view value) {
  value = Unquoted(TrimBlanks(value));
  if (value.size() == 38 && value.front() == '{' && value.back() == '}') {
    value = value.substr(1, 36);
  }
  if (value.size() != 36 || value[8] != '-' || value[13] != '-' || value[18] != '-' ||
      value[23] != '-') {
    return std::nullopt;
  }
  auto a = ParseHex(value.substr(0, 8), 8);
  auto b = ParseHex(value.substr(9, 4), 4);
  auto c = ParseHex(value.substr(14, 4), 4);
  if (!a || !b || !c) return std::nullopt;
  Guid g{static_cast<uint32_t>(*a), static_cast<uint16_t>(*b), static_cast<uint16_t>(*c), {}};
  std::string rest = std::string(value.substr(19, 4)) + std::string(value.substr(24, 12));
  for (size_t i = 0; i < 8; ++i) {
    auto byte = ParseHex(std::string_view(rest).substr(i * 2, 2), 2);
    if (!byte) return std::nullopt;
    g.data4[i] = static_cast<uint8_t>(*byte);
  }
  return g;
}

}  // namespace zarn::charfile
