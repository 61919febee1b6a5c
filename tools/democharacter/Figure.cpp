#include "Figure.h"

#include <cmath>
#include <cstdio>

namespace zarn::demo {
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kGround = 122;
constexpr float kLine = 2.2f;  // outline width

constexpr Paint kOutline{42, 40, 78};
constexpr Paint kSkin{124, 146, 240};
constexpr Paint kShine{170, 188, 255};
constexpr Paint kBelly{255, 243, 214};
constexpr Paint kCheek{248, 150, 178};
constexpr Paint kFeet{255, 176, 84};
constexpr Paint kStem{70, 150, 70};
constexpr Paint kLeaf{112, 204, 92};
constexpr Paint kWhite{255, 255, 255};
constexpr Paint kPupil{30, 30, 50};
constexpr Paint kMouth{128, 36, 64};
constexpr Paint kTongue{246, 122, 140};
constexpr Paint kInk{70, 90, 200};
constexpr Paint kGold{255, 214, 64};

// Maps figure coordinates (standing, unscaled) into the frame.
struct Place {
  const Pose& p;
  Point operator()(float x, float y) const {
    return {64 + (x - 64) * p.sx + p.dx, kGround - (kGround - y) * p.sy + p.dy};
  }
  float X(float r) const { return r * p.sx; }
  float Y(float r) const { return r * p.sy; }
};

Point Add(Point a, float x, float y) { return {a.x + x, a.y + y}; }

void OutlinedEllipse(PaintCanvas& c, Point at, float rx, float ry, Paint fill, float angle = 0) {
  c.Ellipse(at, rx + kLine, ry + kLine, kOutline, angle);
  c.Ellipse(at, rx, ry, fill, angle);
}

// A shallow arc through three points, as a stroke.
void Arc(PaintCanvas& c, Point centre, float half_width, float bend, float radius, Paint p) {
  std::vector<Point> points;
  for (int i = -4; i <= 4; ++i) {
    const float t = i / 4.0f;
    points.push_back({centre.x + t * half_width, centre.y + bend * (1 - t * t)});
  }
  c.Stroke(points, radius, p);
}

void Star(PaintCanvas& c, Point at, float r, Paint p) {
  std::vector<Point> points;
  for (int i = 0; i < 8; ++i) {
    const float a = i * kPi / 4, len = i % 2 ? r * 0.35f : r;
    points.push_back({at.x + len * std::sin(a), at.y - len * std::cos(a)});
  }
  c.Polygon(points, p);
}

void DrawMouthShape(PaintCanvas& c, Point at, int shape, float s) {
  struct Open {
    float rx, ry;
    bool tongue;
  };
  static constexpr Open kOpen[] = {{0, 0, false},   {5.5f, 2, false},   {6.5f, 3.2f, false},
                                   {7, 4.5f, true}, {7.5f, 5.8f, true}, {4.5f, 4.5f, true},
                                   {3, 3.3f, false}};
  if (shape <= 0 || shape > 6) {
    Arc(c, Add(at, 0, -1 * s), 6.5f * s, 3 * s, 1.3f * s, kOutline);
    return;
  }
  const Open o = kOpen[shape];
  c.Ellipse(at, (o.rx + 1.4f) * s, (o.ry + 1.4f) * s, kOutline);
  c.Ellipse(at, o.rx * s, o.ry * s, kMouth);
  if (o.tongue) c.Ellipse(Add(at, 0, o.ry * 0.55f * s), o.rx * 0.6f * s, o.ry * 0.4f * s, kTongue);
}

void DrawEye(PaintCanvas& c, Point at, const Pose& pose, float s) {
  switch (pose.eyes) {
    case Eyes::kClosed:
      Arc(c, at, 8 * s, 3 * s, 1.5f * s, kOutline);
      return;
    case Eyes::kHappy:
      Arc(c, Add(at, 0, 2 * s), 8 * s, -5 * s, 1.6f * s, kOutline);
      return;
    default:
      break;
  }
  const bool wide = pose.eyes == Eyes::kWide;
  const float rx = (wide ? 10 : 9) * s, ry = (wide ? 12.5f : 11) * s;
  OutlinedEllipse(c, at, rx, ry, kWhite);
  const Point pupil = Add(at, pose.look_x * 3.5f * s, pose.look_y * 4 * s + 1 * s);
  c.Circle(pupil, (wide ? 4.5f : 5.5f) * s, kPupil);
  c.Circle(Add(pupil, -2 * s, -2.5f * s), 1.8f * s, kWhite);
  if (pose.eyes == Eyes::kHalf) {
    c.Rect(at.x - rx - kLine - 1, at.y - ry - kLine - 1, at.x + rx + kLine + 1, at.y, kSkin);
    c.Capsule(Add(at, -rx - 0.5f, 0), Add(at, rx + 0.5f, 0), 1.5f * s, kOutline);
  }
}

void DrawArm(PaintCanvas& c, Place place, float shoulder_x, float side, Arm arm) {
  const float a = arm.angle * kPi / 180;
  const Point shoulder = place(shoulder_x, 84);
  const Point hand{shoulder.x + side * std::sin(a) * place.X(arm.length),
                   shoulder.y + std::cos(a) * place.Y(arm.length)};
  const float r = 5.5f * place.p.sx;
  c.Capsule(shoulder, hand, r + kLine, kOutline);
  c.Circle(hand, 6.5f * place.p.sx + kLine, kOutline);
  c.Capsule(shoulder, hand, r, kSkin);
  c.Circle(hand, 6.5f * place.p.sx, kSkin);
}

void DrawSprout(PaintCanvas& c, Place place, float sway) {
  const float a = sway * kPi / 180;
  const Point base = place(64, 46);
  const Point tip{base.x + std::sin(a) * place.Y(16), base.y - std::cos(a) * place.Y(16)};
  c.Capsule(base, tip, 2 + kLine, kOutline);
  c.Capsule(base, tip, 2, kStem);
  const float lx = std::cos(a) * 8 * place.p.sx, ly = std::sin(a) * 8 * place.p.sx;
  OutlinedEllipse(c, {tip.x - lx, tip.y - ly - 2}, place.X(9), place.Y(4.5f), kLeaf, -25 + sway);
  OutlinedEllipse(c, {tip.x + lx, tip.y + ly - 2}, place.X(9), place.Y(4.5f), kLeaf, 25 + sway);
}

void Zee(PaintCanvas& c, Point at, float size) {
  c.Stroke({{at.x - size, at.y - size},
            {at.x + size, at.y - size},
            {at.x - size, at.y + size},
            {at.x + size, at.y + size}},
           1.3f, kInk);
}

void DrawExtra(PaintCanvas& c, const Pose& pose) {
  const int step = pose.extra_step;
  switch (pose.extra) {
    case Extra::kNone:
      break;
    case Extra::kSleep:
      for (int i = 0; i <= step % 3; ++i) Zee(c, {98.0f + i * 9, 40.0f - i * 11}, 3.0f + i * 1.5f);
      break;
    case Extra::kThought: {
      const Point bubbles[] = {{94, 44}, {101, 35}, {110, 20}};
      const float radii[] = {2.5f, 4, 11};
      for (int i = 0; i <= step && i < 3; ++i) {
        if (i < 2) {
          OutlinedEllipse(c, bubbles[i], radii[i], radii[i], kWhite);
          continue;
        }
        const Point puffs[] = {{-6, 1}, {0, -3}, {6, 1}, {0, 4}};
        for (const Point& q : puffs) c.Circle(Add(bubbles[2], q.x, q.y), 7 + kLine, kOutline);
        for (const Point& q : puffs) c.Circle(Add(bubbles[2], q.x, q.y), 7, kWhite);
      }
      break;
    }
    case Extra::kOrbit:
      for (int i = 0; i < 3; ++i) {
        const float a = (step * 40 + i * 120) * kPi / 180;
        OutlinedEllipse(c, {64 + pose.dx + 34 * std::cos(a), 28 + pose.dy + 9 * std::sin(a)}, 3.5f,
                        3.5f, kGold);
      }
      break;
    case Extra::kNotes:
      for (int i = 0; i < 2; ++i) {
        const Point head{100.0f + i * 10, 44.0f - i * 8 - (step % 3) * 4};
        c.Ellipse(head, 3.4f, 2.6f, kInk, -20);
        c.Capsule(Add(head, 2.8f, 0), Add(head, 2.8f, -10), 0.9f, kInk);
        c.Capsule(Add(head, 2.8f, -10), Add(head, 6, -7), 0.9f, kInk);
      }
      break;
    case Extra::kSparkle: {
      const Point spots[] = {{22, 36}, {106, 30}, {16, 70}, {112, 64}};
      for (int i = 0; i < 4; ++i) {
        if ((i + step) % 2 == 0) Star(c, spots[i], 6, kGold);
      }
      break;
    }
  }
}

}  // namespace

std::string Pose::Key() const {
  char key[256];
  std::snprintf(key, sizeof key, "%g,%g,%g,%g,%g,%g,%d,%g,%g,%d,%g,%g,%g,%g,%g,%d,%d,%d", dx, dy,
                sx, sy, face_dx, face_dy, static_cast<int>(eyes), look_x, look_y,
                static_cast<int>(mouth), left.angle, left.length, right.angle, right.length, sprout,
                lift_feet, static_cast<int>(extra), extra_step);
  return key;
}

Point MouthCentre(const Pose& pose) { return Place{pose}(64 + pose.face_dx, 90 + pose.face_dy); }

std::vector<uint8_t> DrawFigure(const Pose& pose) {
  PaintCanvas c(kFrameSize, kFrameSize);
  const Place place{pose};
  const float s = pose.sx;
  DrawSprout(c, place, pose.sprout);
  const float feet_y = pose.lift_feet ? 112 : 116;
  for (float x : {48.0f, 80.0f}) {
    OutlinedEllipse(c, place(x, feet_y), place.X(12), place.Y(7), kFeet);
  }
  OutlinedEllipse(c, place(64, 80), place.X(37), place.Y(39), kSkin);
  c.Ellipse(place(44, 50), place.X(8), place.Y(4.5f), kShine, -35);
  c.Ellipse(place(64, 105), place.X(20), place.Y(11), kBelly);
  const float fx = pose.face_dx, fy = pose.face_dy;
  for (float side : {-1.0f, 1.0f}) {
    c.Ellipse(place(64 + side * 26 + fx * 0.8f, 86 + fy), place.X(6), place.Y(3.5f), kCheek);
    DrawEye(c, place(64 + side * 14 + fx, 70 + fy), pose, s);
  }
  const Point mouth = MouthCentre(pose);
  switch (pose.mouth) {
    case Mouth::kSmile:
      DrawMouthShape(c, mouth, 0, s);
      break;
    case Mouth::kGrin:
      DrawMouthShape(c, mouth, 3, s);
      break;
    case Mouth::kOh:
      DrawMouthShape(c, mouth, 6, s * 1.2f);
      break;
    case Mouth::kFlat:
      c.Capsule(Add(mouth, -5 * s, 0), Add(mouth, 5 * s, 0), 1.3f * s, kOutline);
      break;
  }
  DrawArm(c, place, 97, 1, pose.left);
  DrawArm(c, place, 31, -1, pose.right);
  DrawExtra(c, pose);
  return c.ToRgba();
}

std::vector<uint8_t> DrawMouthPatch(int shape, float scale) {
  PaintCanvas c(kMouthPatchWidth, kMouthPatchHeight);
  c.Rect(0, 0, kMouthPatchWidth, kMouthPatchHeight, kSkin);
  DrawMouthShape(c, {kMouthPatchWidth / 2.0f, kMouthPatchHeight / 2.0f}, shape, scale);
  return c.ToRgba();
}

std::vector<uint8_t> DrawIcon() {
  PaintCanvas c(16, 16);
  c.Capsule({8, 5}, {8, 1.5f}, 1.2f, kStem);
  c.Ellipse({5.5f, 2}, 3, 1.5f, kLeaf, -25);
  c.Ellipse({10.5f, 2}, 3, 1.5f, kLeaf, 25);
  c.Ellipse({8, 10}, 7, 6, kOutline);
  c.Ellipse({8, 10}, 6, 5, kSkin);
  c.Circle({6, 9}, 1.4f, kPupil);
  c.Circle({10, 9}, 1.4f, kPupil);
  return c.ToRgba();
}

}  // namespace zarn::demo
