#pragma once

// One 8-bit palette for many anti-aliased pictures: the flat colours the
// figure is painted with stay exact, the blended edge colours share the rest.

#include <cstdint>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn::demo {

// Chooses at most `slots` colours for the opaque pixels of `pictures`
// (RGBA), then snaps every opaque pixel of each picture to its nearest
// chosen colour. Returns the chosen colours.
std::vector<Color> QuantizePictures(std::vector<std::vector<uint8_t>*> pictures, size_t slots);

}  // namespace zarn::demo
