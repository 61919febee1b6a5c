// Moving, gesturing and looking in four directions. Directions are the
// character's own: its left is the screen's right.

#include <string>

#include "Builder.h"

namespace zarn::demo {
namespace {

struct Direction {
  const char* name;
  float x, y;  // on screen: x +1 is the screen's right, y +1 down
};

constexpr Direction kDirections[] = {
    {"Left", 1, 0}, {"Right", -1, 0}, {"Up", 0, -1}, {"Down", 0, 1}};

Pose Facing(const Direction& d, float amount) {
  Pose p;
  p.look_x = d.x * amount;
  p.look_y = d.y * amount;
  p.face_dx = 4 * d.x * amount;
  p.face_dy = 3 * d.y * amount;
  return p;
}

void AddMove(Builder& b, const Direction& d) {
  const std::string name = std::string("Move") + d.name;
  Pose crouch = Facing(d, 0.5f);
  crouch.sy = 0.92f;
  crouch.sx = 1.04f;
  Pose lift = Facing(d, 1);
  lift.dy = -4;
  lift.lift_feet = true;
  lift.sy = d.y < 0 ? 1.06f : d.y > 0 ? 0.96f : 1;
  lift.sprout = -12 * d.x;
  // Arms trail behind the direction of travel.
  lift.left.angle = d.x > 0 ? -15 : d.x < 0 ? 35 : d.y < 0 ? 40 : 20;
  lift.right.angle = d.x < 0 ? -15 : d.x > 0 ? 35 : d.y < 0 ? 40 : 20;
  Pose glide = lift;
  glide.dy = -6;
  glide.dx = 2 * d.x;
  b.WithReturn(name, name + "Return",
               {b.At(crouch, 8, kStop), b.At(lift, 8, kStop), b.At(glide, 10, kStop)});

  Pose land = Facing(d, 0.5f);
  land.sy = 0.93f;
  land.sx = 1.05f;
  b.PlayThrough(name + "Return", {b.At(land, 8), b.At(Pose{}, 10)});
}

void AddGesture(Builder& b, const Direction& d) {
  const std::string name = std::string("Gesture") + d.name;
  // Up and down point with the figure's left arm, sideways with the near one.
  const bool left_arm = d.x > 0 || d.x == 0;
  const float target = d.y < 0 ? 160 : d.y > 0 ? 38 : 92;
  auto pointing = [&](float angle, float amount) {
    Pose p = Facing(d, amount);
    Arm& arm = left_arm ? p.left : p.right;
    arm.angle = angle;
    arm.length = d.y > 0 ? 24 : 22;
    return p;
  };
  const Pose held = pointing(target, 1);
  Animation& a = b.WithReturn(
      name, name + "Return",
      {b.At(pointing(target * 0.4f, 0.5f), 8, kStop), b.At(pointing(target * 0.8f, 1), 8, kStop),
       b.At(pointing(target + (d.y < 0 ? 8 : 10), 1), 8, kStop), b.At(held, 10, kStop)});
  a.frames.back().overlays = b.Overlays(held);
  b.PlayThrough(name + "Return", {b.At(pointing(target * 0.5f, 0.5f), 8), b.At(Pose{}, 10)});
}

void AddLook(Builder& b, const Direction& d) {
  b.PlayThrough(std::string("Look") + d.name,
                {b.At(Facing(d, 0.5f), 6), b.At(Facing(d, 1), 40), b.At(Facing(d, 1), 10)});
}

}  // namespace

void AddMoving(Builder& b) {
  for (const Direction& d : kDirections) AddMove(b, d);
  for (const Direction& d : kDirections) AddGesture(b, d);
  for (const Direction& d : kDirections) AddLook(b, d);
}

}  // namespace zarn::demo
