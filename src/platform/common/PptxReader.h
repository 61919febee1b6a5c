#pragma once

#include "platform/common/PresentationFile.h"

namespace zarn {

class ZipReader;

// An Office Open XML presentation package: slide order from the main
// part's slide id list and its relationships, timings from each slide's
// transition.
SlideDeck ReadPptxPackage(const ZipReader& package);

}  // namespace zarn
