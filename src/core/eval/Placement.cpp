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

// Marks the words that follow `name` somewhere in the text, with one search
// for the name instead of one pass per word. A byte before the name that
// could fold together with its first byte leaves the answer to the full
// search (every word marked).
void MarkWordsAfter(std::string_view text, std::string_view name, bool (&present)[6]) {
  for (size_t at = FindNoCase(text, name); at != std::string::npos;
       at = FindNoCase(text, name, at + 1)) {
    const auto before = at > 0 ? static_cast<unsigned char>(text[at - 1]) : 0;
    const bool unsure = before == 0xC3 || before == 0xC5;
    const std::string_view after = text.substr(at + name.size());
    for (size_t i = 0; i < std::size(kWords); ++i) {
      const std::string_view word = kWords[i];
      present[i] =
          present[i] || unsure ||
          (after.size() >= word.size() && EqualsNoCase(after.substr(0, word.size()), word));
    }
  }
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
    const int64_t values[] = {v.left_x, v.center_x, v.right_x, v.top_y, v.center_y, v.bottom_y};
    // A replacement only puts in a number, so a word missing after this name
    // now cannot appear later, unless the name itself holds a digit or "-".
    // Other names than plain ASCII ones try every word.
    bool present[std::size(kWords)] = {};
    if (PlainName(entry.name)) {
      MarkWordsAfter(result, entry.name, present);
    } else {
      for (bool& p : present) p = true;
    }
    for (size_t i = 0; i < std::size(kWords); ++i) {
      if (present[i])
        result = ReplaceNoCase(result, entry.name + kWords[i], std::to_string(values[i]));
    }
  }
  return result;
}

}  // namespace zarn
