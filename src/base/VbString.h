#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Case mapping of Windows-1252 letters (ASCII, Latin-1, š œ ž ÿ and their
// capitals) on UTF-8 text; ß and µ stay. Mapping never changes the byte
// length, so positions in a folded text are positions in the original.
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);
void UCaseInPlace(std::string& text);

// Blanks are the space character only; tabs and line breaks stay.
std::string Trim(std::string_view text);
std::string LTrim(std::string_view text);
std::string RTrim(std::string_view text);
std::string_view TrimView(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Byte position of the first match at or after `start`, or npos.
size_t FindNoCase(std::string_view text, std::string_view what, size_t start = 0);

// Where ReplaceNoCase replaces: matches left to right, without overlaps.
std::vector<size_t> FindAllNoCase(std::string_view text, std::string_view find);

// `length` bytes at `at` become `with`.
struct TextSpan {
  size_t at;
  size_t length;
  std::string_view with;
};
// The spans in order and not overlapping; the text is copied once.
std::string ReplaceSpans(std::string_view text, const std::vector<TextSpan>& spans);

// One left-to-right pass: matches do not overlap and replaced text is not
// scanned again. An empty `find` leaves the text as it is.
std::string ReplaceNoCase(std::string_view text, std::string_view find, std::string_view repl);
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view repl);

// Removes every space character.
std::string RemoveBlanks(std::string_view text);

}  // namespace zarn
