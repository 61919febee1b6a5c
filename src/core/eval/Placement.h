#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Where a character of the given size sits at each screen edge or centre.
// 64-bit so that absurd sizes give absurd numbers instead of overflow.
struct PlacementValues {
  int64_t left_x = 0;
  int64_t center_x = 0;
  int64_t right_x = 0;
  int64_t top_y = 0;
  int64_t center_y = 0;
  int64_t bottom_y = 0;
};

// Halves truncate toward zero, as the script language always did.
PlacementValues ComputePlacement(int32_t ScreenWidthPx, int32_t ScreenHeightPx, int32_t width,
                                 int32_t height);

// A character table entry as placement sees it: its name and the size
// captured when it was loaded.
struct PlacedCharacter {
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
};

// Replaces NameLeftX, NameCenterX, NameRightX, NameTopY, NameCenterY and
// NameBottomY, in that order, for every entry in table order, ignoring case.
std::string SubstitutePlacementNames(std::string_view text,
                                     const std::vector<PlacedCharacter>& table,
                                     int32_t ScreenWidthPx, int32_t ScreenHeightPx);

}  // namespace zarn
