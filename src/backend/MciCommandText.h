#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// One word of a command string; a double-quoted word keeps its blanks and
// loses its quotes.
struct MciToken {
  std::string text;
  bool quoted = false;
};

struct MciTokens {
  std::vector<MciToken> tokens;
  int32_t error = 0;  // set when a quote is not closed
};

// Splits a command string at blanks and tabs, honouring double quotes.
MciTokens SplitMciCommand(std::string_view command);

// ASCII lower-case copy, for keywords and device names, which ignore case.
std::string MciLower(std::string_view text);

// A non-negative decimal number as the commands take it; none when the text
// is not one or does not fit.
std::optional<int64_t> ParseMciInteger(std::string_view text);

}  // namespace zarn
