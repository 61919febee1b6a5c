#include "backend/MciCommandText.h"

#include "backend/MciErrors.h"

namespace zarn {

MciTokens SplitMciCommand(std::string_view command) {
  MciTokens result;
  size_t i = 0;
  const auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (i < command.size()) {
    if (is_blank(command[i])) {
      ++i;
      continue;
    }
    MciToken token;
    if (command[i] == '"') {
      const size_t close = command.find('"', i + 1);
      if (close == std::string_view::npos) {
        result.error = mcierr::kNoClosingQuote;
        return result;
      }
      token.text = std::string(command.substr(i + 1, close - i - 1));
      token.quoted = true;
      i = close + 1;
    } else {
      const size_t start = i;
      while (i < command.size() && !is_blank(command[i])) ++i;
      token.text = std::string(command.substr(start, i - start));
    }
    result.tokens.push_back(std::move(token));
  }
  return result;
}

std::string MciLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::optional<int64_t> ParseMciInteger(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace zarn
