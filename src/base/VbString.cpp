#include "base/VbString.h"

#include <cstdint>

namespace zarn {
namespace {

// Two-byte sequences of the letters that change case. Every pair keeps its
// byte length, so folding can work byte pair by byte pair.
uint16_t Pair(unsigned char lead, unsigned char tail) {
  return static_cast<uint16_t>((lead << 8) | tail);
}

// Maps a two-byte UTF-8 sequence to its upper (to_upper) or lower form.
uint16_t MapPair(uint16_t pair, bool to_upper) {
  const unsigned char lead = pair >> 8;
  const unsigned char tail = pair & 0xFF;
  if (to_upper) {
    // U+00E0..U+00FE except U+00F7 -> U+00C0..U+00DE.
    if (lead == 0xC3 && tail >= 0xA0 && tail <= 0xBE && tail != 0xB7)
      return Pair(0xC3, tail - 0x20);
    if (lead == 0xC3 && tail == 0xBF) return Pair(0xC5, 0xB8);  // ÿ -> Ÿ
    if (lead == 0xC5 && (tail == 0xA1 || tail == 0x93 || tail == 0xBE)) return Pair(0xC5, tail - 1);
  } else {
    if (lead == 0xC3 && tail >= 0x80 && tail <= 0x9E && tail != 0x97)
      return Pair(0xC3, tail + 0x20);
    if (lead == 0xC5 && tail == 0xB8) return Pair(0xC3, 0xBF);
    if (lead == 0xC5 && (tail == 0xA0 || tail == 0x92 || tail == 0xBD)) return Pair(0xC5, tail + 1);
  }
  return pair;
}

std::string MapCase(std::string_view text, bool to_upper) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto byte = static_cast<unsigned char>(out[i]);
    if (byte < 0x80) {
      if (to_upper && byte >= 'a' && byte <= 'z') out[i] = static_cast<char>(byte - 32);
      if (!to_upper && byte >= 'A' && byte <= 'Z') out[i] = static_cast<char>(byte + 32);
    } else if ((byte == 0xC3 || byte == 0xC5) && i + 1 < out.size()) {
      const uint16_t mapped = MapPair(Pair(byte, static_cast<unsigned char>(out[i + 1])), to_upper);
      out[i] = static_cast<char>(mapped >> 8);
      out[i + 1] = static_cast<char>(mapped & 0xFF);
      ++i;
    }
  }
  return out;
}

template <class Find>
std::string ReplaceWith(std::string_view text, std::string_view find, std::string_view repl,
                        Find&& find_from) {
  if (find.empty()) return std::string(text);
  std::string out;
  size_t from = 0;
  for (size_t at = find_from(from); at != std::string::npos; at = find_from(from)) {
    out.append(text.substr(from, at - from));
    out.append(repl);
    from = at + find.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

std::string UCase(std::string_view text) { return MapCase(text, true); }
std::string LCase(std::string_view text) { return MapCase(text, false); }

std::string_view TrimView(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string LTrim(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string RTrim(std::string_view text) {
  const size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UCase(a) == UCase(b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::string_view text, std::string_view what, size_t start) {
  if (start > text.size()) return std::string::npos;
  return UCase(text).find(UCase(what), start);
}

std::string ReplaceNoCase(std::string_view text, std::string_view find, std::string_view repl) {
  const std::string folded_text = UCase(text);
  const std::string folded_find = UCase(find);
  return ReplaceWith(text, find, repl,
                     [&](size_t from) { return folded_text.find(folded_find, from); });
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view repl) {
  return ReplaceWith(text, find, repl, [&](size_t from) { return text.find(find, from); });
}

std::string RemoveBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (ch != ' ') out += ch;
  }
  return out;
}

}  // namespace zarn
