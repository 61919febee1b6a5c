#include "Paint.h"

#include <algorithm>
#include <cmath>

namespace zarn::demo {
namespace {

constexpr int kSub = 4;
constexpr float kPi = 3.14159265f;

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

}  // namespace

PaintCanvas::PaintCanvas(int width, int height)
    : width_(width), height_(height), premultiplied_(static_cast<size_t>(width) * height * 4, 0) {}

void PaintCanvas::Fill(float x0, float y0, float x1, float y1, Paint p,
                       const std::function<bool(float, float)>& inside) {
  const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
  const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
  const int ix1 = std::min(width_ - 1, static_cast<int>(std::ceil(x1)));
  const int iy1 = std::min(height_ - 1, static_cast<int>(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y) {
    for (int x = ix0; x <= ix1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          if (inside(x + (sx + 0.5f) / kSub, y + (sy + 0.5f) / kSub)) ++hits;
        }
      }
      if (hits == 0) continue;
      const float a = static_cast<float>(hits) / (kSub * kSub);
      float* px = &premultiplied_[(static_cast<size_t>(y) * width_ + x) * 4];
      px[0] = p.r / 255 * a + px[0] * (1 - a);
      px[1] = p.g / 255 * a + px[1] * (1 - a);
      px[2] = p.b / 255 * a + px[2] * (1 - a);
      px[3] = a + px[3] * (1 - a);
    }
  }
}

void PaintCanvas::Ellipse(Point c, float rx, float ry, Paint p, float angle_deg) {
  if (rx <= 0 || ry <= 0) return;
  const float cs = std::cos(angle_deg * kPi / 180), sn = std::sin(angle_deg * kPi / 180);
  const float reach = std::max(rx, ry);
  Fill(c.x - reach, c.y - reach, c.x + reach, c.y + reach, p, [&](float x, float y) {
    const float dx = x - c.x, dy = y - c.y;
    const float u = (dx * cs + dy * sn) / rx, v = (-dx * sn + dy * cs) / ry;
    return u * u + v * v <= 1;
  });
}

void PaintCanvas::Capsule(Point a, Point b, float radius, Paint p) {
  if (radius <= 0) return;
  const float vx = b.x - a.x, vy = b.y - a.y;
  const float len2 = vx * vx + vy * vy;
  Fill(std::min(a.x, b.x) - radius, std::min(a.y, b.y) - radius, std::max(a.x, b.x) + radius,
       std::max(a.y, b.y) + radius, p, [&](float x, float y) {
         const float t = len2 > 0 ? Clamp01(((x - a.x) * vx + (y - a.y) * vy) / len2) : 0;
         const float dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
         return dx * dx + dy * dy <= radius * radius;
       });
}

void PaintCanvas::Stroke(const std::vector<Point>& points, float radius, Paint p) {
  for (size_t i = 0; i + 1 < points.size(); ++i) Capsule(points[i], points[i + 1], radius, p);
}

void PaintCanvas::Polygon(const std::vector<Point>& points, Paint p) {
  if (points.size() < 3) return;
  float x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
  for (const Point& q : points) {
    x0 = std::min(x0, q.x);
    x1 = std::max(x1, q.x);
    y0 = std::min(y0, q.y);
    y1 = std::max(y1, q.y);
  }
  Fill(x0, y0, x1, y1, p, [&](float x, float y) {
    bool in = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const Point &a = points[i], &b = points[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
  });
}

void PaintCanvas::Rect(float x0, float y0, float x1, float y1, Paint p) {
  Fill(x0, y0, x1, y1, p, [&](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; });
}

std::vector<uint8_t> PaintCanvas::ToRgba() const {
  std::vector<uint8_t> out(premultiplied_.size(), 0);
  for (size_t i = 0; i < premultiplied_.size(); i += 4) {
    const float a = premultiplied_[i + 3];
    if (a < 0.5f) continue;
    for (int k = 0; k < 3; ++k) {
      out[i + k] = static_cast<uint8_t>(std::lround(Clamp01(premultiplied_[i + k] / a) * 255));
    }
    out[i + 3] = 255;
  }
  return out;
}

}  // namespace zarn::demo
