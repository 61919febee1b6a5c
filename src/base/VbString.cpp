#include "base/VbString.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

void MapCaseInPlace(std::string& out, bool to_upper) {
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
}

std::string MapCase(std::string_view text, bool to_upper) {
  std::string out(text);
  MapCaseInPlace(out, to_upper);
  return out;
}

bool IsLead(unsigned char byte) { return byte == 0xC3 || byte == 0xC5; }

// Reads a text as UCase would write it, byte by byte, without a copy. A lead
// byte followed by any byte folds as a pair, so whether a byte is the second
// of a pair depends on the run of lead bytes before it.
class UpperCursor {
 public:
  UpperCursor(std::string_view text, size_t at) : text_(text), at_(at) {
    size_t leads = 0;
    while (leads < at && IsLead(Raw(at - leads - 1))) ++leads;
    tail_ = leads % 2 == 1;
  }

  size_t At() const { return at_; }
  bool AtEnd() const { return at_ >= text_.size(); }

  unsigned char Byte() const {
    const unsigned char byte = Raw(at_);
    if (tail_) return MapPair(Pair(Raw(at_ - 1), byte), true) & 0xFF;
    if (byte < 0x80) return byte >= 'a' && byte <= 'z' ? byte - 32 : byte;
    if (IsLead(byte) && at_ + 1 < text_.size()) return MapPair(Pair(byte, Raw(at_ + 1)), true) >> 8;
    return byte;
  }

  void Next() {
    tail_ = !tail_ && IsLead(Raw(at_));
    ++at_;
  }

  // True when the folded text here starts with `folded`.
  bool StartsWith(std::string_view folded) const {
    if (text_.size() - at_ < folded.size()) return false;
    UpperCursor probe = *this;
    for (char want : folded) {
      if (probe.Byte() != static_cast<unsigned char>(want)) return false;
      probe.Next();
    }
    return true;
  }

 private:
  unsigned char Raw(size_t at) const { return static_cast<unsigned char>(text_[at]); }

  std::string_view text_;
  size_t at_;
  bool tail_ = false;
};

// 1 or 0 when ASCII alone decides whether the folded text at `at` starts
// with `folded` (room for it checked by the caller); -1 when a byte that may
// pair is met first.
int PlainMatch(std::string_view text, size_t at, std::string_view folded) {
  if (at > 0 && IsLead(static_cast<unsigned char>(text[at - 1]))) return -1;
  for (size_t i = 0; i < folded.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[at + i]);
    const auto want = static_cast<unsigned char>(folded[i]);
    if (byte >= 0x80 || want >= 0x80) return -1;
    if (byte >= 'a' && byte <= 'z') byte -= 32;
    if (byte != want) return 0;
  }
  return 1;
}

// The next position in [from, last) holding `byte`, or `last`.
size_t NextByte(std::string_view text, unsigned char byte, size_t from, size_t last) {
  if (from >= last) return last;
  const void* found = std::memchr(text.data() + from, byte, last - from);
  return found == nullptr ? last
                          : static_cast<size_t>(static_cast<const char*>(found) - text.data());
}

// The first position at or after `from` where the folded text holds
// `folded` (not empty), or npos. Only a byte equal to an ASCII first byte, or
// its small letter, can fold to it, so candidates are found with memchr.
size_t FindFolded(std::string_view text, std::string_view folded, size_t from) {
  const auto first = static_cast<unsigned char>(folded.front());
  if (first >= 0x80) {
    for (UpperCursor cursor(text, from); !cursor.AtEnd(); cursor.Next()) {
      if (cursor.Byte() == first && cursor.StartsWith(folded)) return cursor.At();
    }
    return std::string::npos;
  }
  const size_t last = text.size() < folded.size() ? 0 : text.size() - folded.size() + 1;
  const bool letter = first >= 'A' && first <= 'Z';
  const auto small = static_cast<unsigned char>(first | 0x20);
  size_t next_big = NextByte(text, first, from, last);
  size_t next_small = letter ? NextByte(text, small, from, last) : last;
  while (next_big < last || next_small < last) {
    const size_t at = std::min(next_big, next_small);
    const int plain = PlainMatch(text, at, folded);
    if (plain > 0 || (plain < 0 && UpperCursor(text, at).StartsWith(folded))) return at;
    if (at == next_big) {
      next_big = NextByte(text, first, at + 1, last);
    } else {
      next_small = NextByte(text, small, at + 1, last);
    }
  }
  return std::string::npos;
}

}  // namespace

std::string UCase(std::string_view text) { return MapCase(text, true); }
std::string LCase(std::string_view text) { return MapCase(text, false); }
void UCaseInPlace(std::string& text) { MapCaseInPlace(text, true); }

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
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  UpperCursor left(a, 0), right(b, 0);
  for (; !left.AtEnd(); left.Next(), right.Next()) {
    if (left.Byte() != right.Byte()) return false;
  }
  return true;
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
  if (what.empty()) return start;
  return FindFolded(text, UCase(what), start);
}

std::vector<size_t> FindAllNoCase(std::string_view text, std::string_view find) {
  std::vector<size_t> found;
  if (find.empty()) return found;
  const std::string folded = UCase(find);
  for (size_t at = FindFolded(text, folded, 0); at != std::string::npos;
       at = FindFolded(text, folded, at + find.size())) {
    found.push_back(at);
  }
  return found;
}

std::string ReplaceSpans(std::string_view text, const std::vector<TextSpan>& spans) {
  size_t size = text.size();
  for (const TextSpan& span : spans) size = size - span.length + span.with.size();
  std::string out;
  out.reserve(size);
  size_t from = 0;
  for (const TextSpan& span : spans) {
    out.append(text.substr(from, span.at - from));
    out.append(span.with);
    from = span.at + span.length;
  }
  out.append(text.substr(from));
  return out;
}

std::string ReplaceNoCase(std::string_view text, std::string_view find, std::string_view repl) {
  std::vector<TextSpan> spans;
  for (const size_t at : FindAllNoCase(text, find)) spans.push_back({at, find.size(), repl});
  return ReplaceSpans(text, spans);
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view repl) {
  if (find.empty()) return std::string(text);
  std::string out;
  size_t from = 0;
  for (size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, from)) {
    if (out.empty()) out.reserve(text.size());
    out.append(text.substr(from, at - from));
    out.append(repl);
    from = at + find.size();
  }
  if (from == 0) return std::string(text);
  out.append(text.substr(from));
  return out;
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
