#pragma once

#include <cstdint>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn {

// Draws one frame as the character shows it: a transparent canvas of the
// frame size, the frame's images from the last entry to the first (the
// first is the top layer), clipped; with `mouth_shape` >= 0 the overlay of
// that shape replaces the top image or is drawn over everything. Images
// that cannot be decoded are left out. Returns top-down RGBA.
std::vector<uint8_t> ComposeFrame(const CharacterFile& file, const Frame& frame,
                                  int mouth_shape = -1);

}  // namespace zarn
