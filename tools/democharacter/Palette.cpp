#include "Palette.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace zarn::demo {
namespace {

// Colours this common are painted on purpose and kept as they are.
constexpr uint32_t kFlatColourPixels = 200;
constexpr size_t kMaxFlatColours = 96;

uint32_t Pack(const uint8_t* p) { return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]; }

Color Unpack(uint32_t v) {
  return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

int Distance(Color a, Color b) {
  const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

}  // namespace

std::vector<Color> QuantizePictures(std::vector<std::vector<uint8_t>*> pictures, size_t slots) {
  std::unordered_map<uint32_t, uint32_t> counts;
  for (const auto* picture : pictures) {
    for (size_t i = 0; i + 3 < picture->size(); i += 4) {
      if ((*picture)[i + 3] >= 128) ++counts[Pack(&(*picture)[i])];
    }
  }
  std::vector<std::pair<uint32_t, uint32_t>> by_count(counts.begin(), counts.end());
  std::sort(by_count.begin(), by_count.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  std::vector<Color> palette;
  // Edge colours fall into coarse boxes; the fullest boxes get their mean.
  struct Box {
    uint64_t r = 0, g = 0, b = 0, n = 0;
  };
  std::map<uint32_t, Box> boxes;
  for (const auto& [colour, n] : by_count) {
    if (n >= kFlatColourPixels && palette.size() < std::min(kMaxFlatColours, slots)) {
      palette.push_back(Unpack(colour));
      continue;
    }
    const Color c = Unpack(colour);
    Box& box = boxes[(c.r >> 4) << 8 | (c.g >> 4) << 4 | (c.b >> 4)];
    box.r += uint64_t{c.r} * n;
    box.g += uint64_t{c.g} * n;
    box.b += uint64_t{c.b} * n;
    box.n += n;
  }
  std::vector<Box> fullest;
  for (const auto& [key, box] : boxes) fullest.push_back(box);
  std::stable_sort(fullest.begin(), fullest.end(),
                   [](const Box& a, const Box& b) { return a.n > b.n; });
  for (const Box& box : fullest) {
    if (palette.size() >= slots) break;
    palette.push_back({static_cast<uint8_t>(box.r / box.n), static_cast<uint8_t>(box.g / box.n),
                       static_cast<uint8_t>(box.b / box.n)});
  }
  std::unordered_map<uint32_t, Color> nearest;
  for (const auto& [colour, n] : by_count) {
    const Color c = Unpack(colour);
    Color best = palette.front();
    for (const Color& candidate : palette) {
      if (Distance(c, candidate) < Distance(c, best)) best = candidate;
    }
    nearest[colour] = best;
  }
  for (auto* picture : pictures) {
    for (size_t i = 0; i + 3 < picture->size(); i += 4) {
      if ((*picture)[i + 3] < 128) continue;
      const Color c = nearest[Pack(&(*picture)[i])];
      (*picture)[i] = c.r;
      (*picture)[i + 1] = c.g;
      (*picture)[i + 2] = c.b;
    }
  }
  return palette;
}

}  // namespace zarn::demo
