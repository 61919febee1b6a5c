#pragma once

// A tiny RGBA raster for drawing the test characters.

#include <cstdint>
#include <vector>

namespace zarn::charfile {

struct Rgba {
  uint8_t r, g, b, a;
};

class Canvas {
 public:
  Canvas(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height * 4, 0) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  const uint8_t* Data() const { return pixels_.data(); }

  void Set(int x, int y, Rgba c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
  }
  void FillRect(int x0, int y0, int x1, int y1, Rgba c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }
  void FillEllipse(int cx, int cy, int rx, int ry, Rgba c) {
    if (rx <= 0 || ry <= 0) return;
    for (int y = cy - ry; y <= cy + ry; ++y) {
      for (int x = cx - rx; x <= cx + rx; ++x) {
        int64_t dx = x - cx, dy = y - cy;
        if (dx * dx * ry * ry + dy * dy * rx * rx <= int64_t{rx} * rx * ry * ry) Set(x, y, c);
      }
    }
  }

 private:
  int width_;
  int height_;
  std::vector<uint8_t> pixels_;
};

}  // namespace zarn::charfile
