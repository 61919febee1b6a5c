#pragma once

#include <string_view>

#include "platform/common/PresentationFile.h"

namespace zarn {

class ZipReader;

// An OpenDocument presentation: pages of content.xml in order, timings from
// the page or its drawing-page style.
SlideDeck ReadOdpPackage(const ZipReader& package);
// The same from a flat single-file document.
SlideDeck ReadFlatOdp(std::string_view document);

}  // namespace zarn
