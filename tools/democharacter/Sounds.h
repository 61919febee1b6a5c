#pragma once

// Short sound effects, synthesised: complete mono 16-bit WAV files.

#include <cstdint>
#include <vector>

namespace zarn::demo {

std::vector<uint8_t> PopSound();     // a rising blip
std::vector<uint8_t> WhooshSound();  // a falling slide
std::vector<uint8_t> DingSound();    // a small bell
std::vector<uint8_t> ChimeSound();   // two rising notes
std::vector<uint8_t> TickSound();    // a soft click

}  // namespace zarn::demo
