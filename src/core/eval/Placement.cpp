#include "core/eval/Placement.h"

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

std::string SubstitutePlacementNames(std::string_view text,
                                     const std::vector<PlacedCharacter>& table,
                                     int32_t ScreenWidthPx, int32_t ScreenHeightPx) {
  std::string result(text);
  for (const PlacedCharacter& entry : table) {
    const PlacementValues v =
        ComputePlacement(ScreenWidthPx, ScreenHeightPx, entry.width, entry.height);
    const std::pair<const char*, int64_t> names[] = {
        {"LeftX", v.left_x}, {"CenterX", v.center_x}, {"RightX", v.right_x},
        {"TopY", v.top_y},   {"CenterY", v.center_y}, {"BottomY", v.bottom_y}};
    for (const auto& [suffix, value] : names) {
      result = ReplaceNoCase(result, entry.name + suffix, std::to_string(value));
    }
  }
  return result;
}

}  // namespace zarn
