#include "core/eval/Placement.h"

#include <iterator>

#include "base/VbString.h"

namespace zarn {

PlacementValues ComputePlacement(int32_t ScreenWidthPx, int32_t ScreenHeightPx, int32_t width,
                                 int32_t height) {
  const int64_t screen_w = ScreenWidthPx;
  const int64_t screen_h = ScreenHeightPx;
  PlacementValues values;
  values.center_x = screen_w / 2 - int64_t{width} / 2;
  values.right_x = screen_w - width;
  values.center_y = screen_h / 2 - int64_t{height} / 2;
  values.bottom_y = screen_h - height;
  return values;
}

namespace {

constexpr const char* kWords[] = {"LeftX", "CenterX", "RightX", "TopY", "CenterY", "BottomY"};

struct WordAt {
  size_t at;
  size_t word;
};

// Where each name-and-word is replaced, for a plain name: every place the
// name is found, then the word after it, taken left to right without
// overlapping the same word's last match, as ReplaceNoCase would. The name
// ends on an ASCII byte, which never pairs with the next when folding, so
// the word compares alone.
std::vector<WordAt> FindWords(std::string_view text, std::string_view name) {
  std::vector<WordAt> found;
  size_t free_from[std::size(kWords)] = {};
  for (size_t at = FindNoCase(text, name); at != std::string::npos;
       at = FindNoCase(text, name, at + 1)) {
    const std::string_view after = text.substr(at + name.size());
    // Every word starts with one of these letters.
    if (after.empty() ||
        std::string_view("LCRTBlcrtb").find(after.front()) == std::string_view::npos)
      continue;
    for (size_t i = 0; i < std::size(kWords); ++i) {
      const std::string_view word = kWords[i];
      if (at >= free_from[i] && StartsWithNoCase(after, word)) {
        found.push_back({at, i});
        free_from[i] = at + name.size() + word.size();
        break;  // no word starts another
      }
    }
  }
  return found;
}

bool PlainName(std::string_view name) {
  if (name.empty()) return false;
  for (char ch : name) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x80 || byte == '-' || (byte >= '0' && byte <= '9')) return false;
  }
  return true;
}

}  // namespace

std::string SubstitutePlacementNames(std::string_view text,
                                     const std::vector<PlacedCharacter>& table,
                                     int32_t ScreenWidthPx, int32_t ScreenHeightPx) {
  std::string result(text);
  for (const PlacedCharacter& entry : table) {
    const PlacementValues v =
        ComputePlacement(ScreenWidthPx, ScreenHeightPx, entry.width, entry.height);
    const std::string values[] = {std::to_string(v.left_x),   std::to_string(v.center_x),
                                  std::to_string(v.right_x),  std::to_string(v.top_y),
                                  std::to_string(v.center_y), std::to_string(v.bottom_y)};
    // The words are replaced one after another. A replacement only puts in
    // a number, so for a name without digits or "-" it makes no new match:
    // unless two words' matches overlap, all of them go in one pass. Other
    // names, and overlaps, take the words one by one.
    bool one_pass = PlainName(entry.name);
    std::vector<TextSpan> spans;
    if (one_pass) {
      const std::vector<WordAt> found = FindWords(result, entry.name);
      for (size_t k = 0; one_pass && k < found.size(); ++k) {
        const size_t length = entry.name.size() + std::string_view(kWords[found[k].word]).size();
        one_pass = k + 1 == found.size() || found[k].at + length <= found[k + 1].at;
        spans.push_back({found[k].at, length, values[found[k].word]});
      }
      if (one_pass && !spans.empty()) result = ReplaceSpans(result, spans);
    }
    if (one_pass) continue;
    for (size_t i = 0; i < std::size(kWords); ++i) {
      result = ReplaceNoCase(result, entry.name + kWords[i], values[i]);
    }
  }
  return result;
}

}  // namespace zarn
