#pragma once

// Anti-aliased vector shapes on a floating-point RGBA canvas: enough to draw
// a cartoon figure with outlines. Shapes are sampled 4 x 4 per pixel.

#include <cstdint>
#include <functional>
#include <vector>

namespace zarn::demo {

struct Paint {
  float r, g, b;
};

struct Point {
  float x, y;
};

class PaintCanvas {
 public:
  PaintCanvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }

  void Ellipse(Point c, float rx, float ry, Paint p, float angle_deg = 0);
  void Circle(Point c, float r, Paint p) { Ellipse(c, r, r, p); }
  // A thick line with round ends (also a filled circle when a == b).
  void Capsule(Point a, Point b, float radius, Paint p);
  // A polyline of capsules.
  void Stroke(const std::vector<Point>& points, float radius, Paint p);
  void Polygon(const std::vector<Point>& points, Paint p);
  void Rect(float x0, float y0, float x1, float y1, Paint p);

  // Straight RGBA, top-down; pixels under half coverage become transparent
  // and the others opaque, as a character's 1-bit outline needs.
  std::vector<uint8_t> ToRgba() const;

 private:
  // Blends `p` over each pixel of the box by the fraction of its 16
  // sub-samples that `inside` accepts.
  void Fill(float x0, float y0, float x1, float y1, Paint p,
            const std::function<bool(float, float)>& inside);

  int width_;
  int height_;
  std::vector<float> premultiplied_;  // r, g, b, a per pixel
};

}  // namespace zarn::demo
