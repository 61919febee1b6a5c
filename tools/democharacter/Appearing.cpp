// Appearing, disappearing, standing and idling.

#include "Builder.h"
#include "Sounds.h"

namespace zarn::demo {
namespace {

Pose Scaled(float sx, float sy) {
  Pose p;
  p.sx = sx;
  p.sy = sy;
  return p;
}

Pose WithEyes(Pose p, Eyes eyes) {
  p.eyes = eyes;
  return p;
}

Pose Looking(float x, float y) {
  Pose p;
  p.look_x = x;
  p.look_y = y;
  p.face_dx = 3 * x;
  p.face_dy = 2 * y;
  return p;
}

// Every frame's exit branch leads to the last frame, which ends it.
void ExitToLast(Animation& a) {
  const auto last = static_cast<int16_t>(a.frames.size() - 1);
  for (Frame& f : a.frames) f.exit_frame = last;
  a.frames.back().exit_frame = kStop;
}

void AddIdles(Builder& b) {
  const Pose rest;
  Animation& look = b.Add("Idle1_1", TransitionType::kExitBranches,
                          {b.At(rest, 10), b.At(Looking(-1, 0), 60), b.At(Looking(1, 0), 60),
                           b.At(Looking(0, -1), 30), b.At(rest, 10)});
  look.frames[3].branches = {{1, 30}};
  ExitToLast(look);

  std::vector<Frame> sway;
  for (float angle : {-10.0f, 0.0f, 10.0f, 0.0f}) {
    Pose p;
    p.sprout = angle;
    p.sy = angle == 0 ? 1.02f : 1;
    sway.push_back(b.At(p, 15));
  }
  sway.push_back(b.At(rest, 10));
  Animation& breathe = b.Add("Idle1_2", TransitionType::kExitBranches, std::move(sway));
  breathe.frames[3].branches = {{0, 40}};
  ExitToLast(breathe);

  std::vector<Frame> stretch;
  for (float angle : {60.0f, 120.0f, 165.0f, 165.0f, 120.0f, 60.0f}) {
    Pose p;
    p.left.angle = p.right.angle = angle;
    p.sy = 1 + (angle - 8) / 2000;
    p.eyes = angle > 150 ? Eyes::kClosed : Eyes::kHalf;
    p.mouth = angle > 150 ? Mouth::kOh : Mouth::kSmile;
    stretch.push_back(b.At(p, angle > 150 ? 40 : 12));
  }
  stretch.push_back(b.At(rest, 10));
  ExitToLast(b.Add("Idle2_1", TransitionType::kExitBranches, std::move(stretch)));

  std::vector<Frame> hum;
  for (int step = 0; step < 6; ++step) {
    Pose p;
    p.dx = step % 2 ? 2 : -2;
    p.sprout = step % 2 ? 8 : -8;
    p.eyes = Eyes::kHappy;
    p.extra = Extra::kNotes;
    p.extra_step = step;
    hum.push_back(b.At(p, 20));
  }
  hum.push_back(b.At(rest, 10));
  Animation& humming = b.Add("Idle2_2", TransitionType::kExitBranches, std::move(hum));
  humming.frames[5].branches = {{0, 50}};
  ExitToLast(humming);

  Pose drowsy = WithEyes(rest, Eyes::kHalf);
  std::vector<Frame> sleep = {b.At(drowsy, 30), b.At(WithEyes(rest, Eyes::kClosed), 20)};
  for (int step = 0; step < 3; ++step) {
    Pose p = WithEyes(Scaled(1.01f, step == 1 ? 0.97f : 1), Eyes::kClosed);
    p.extra = Extra::kSleep;
    p.extra_step = step;
    p.sprout = 12;
    sleep.push_back(b.At(p, 50));
  }
  sleep.push_back(b.At(drowsy, 20));
  sleep.push_back(b.At(rest, 10));
  Animation& nap = b.Add("Idle3_1", TransitionType::kExitBranches, std::move(sleep));
  nap.frames[4].branches = {{2, 70}};
  for (Frame& f : nap.frames) f.exit_frame = 5;  // wake up gently
  nap.frames[5].exit_frame = kNext;
  nap.frames[6].exit_frame = kStop;

  Pose nodding = drowsy;
  nodding.face_dy = 4;
  nodding.dy = 1;
  nodding.sprout = 15;
  Pose startled = WithEyes(rest, Eyes::kWide);
  startled.sprout = -6;
  Animation& nod = b.Add(
      "Idle3_2", TransitionType::kExitBranches,
      {b.At(drowsy, 40), b.At(nodding, 60), b.At(drowsy, 30), b.At(startled, 20), b.At(rest, 10)});
  nod.frames[2].branches = {{1, 40}};
  ExitToLast(nod);
}

}  // namespace

void AddAppearing(Builder& b) {
  const Pose rest;
  std::vector<Frame> show;
  const float grow[][2] = {{0.15f, 0.15f}, {0.45f, 0.5f},  {0.8f, 0.9f},
                           {0.92f, 1.12f}, {1.06f, 0.92f}, {1, 1}};
  for (const auto& g : grow) show.push_back(b.At(Scaled(g[0], g[1]), 8));
  show.push_back(b.At(WithEyes(rest, Eyes::kHappy), 20));
  show.push_back(b.At(rest, 10));
  show[0].sound_index = b.Sound(PopSound());
  b.PlayThrough("Show", std::move(show));

  std::vector<Frame> hide;
  const float shrink[][2] = {
      {1.06f, 0.9f}, {0.9f, 1.1f}, {0.7f, 0.75f}, {0.4f, 0.4f}, {0.15f, 0.15f}};
  hide.push_back(b.At(WithEyes(rest, Eyes::kHappy), 15));
  for (const auto& s : shrink) hide.push_back(b.At(WithEyes(Scaled(s[0], s[1]), Eyes::kClosed), 7));
  hide[1].sound_index = b.Sound(WhooshSound());
  Frame gone;  // an empty end frame: nothing is left showing
  hide.push_back(gone);
  b.PlayThrough("Hide", std::move(hide));

  Animation& rest_pose = b.Add("RestPose", TransitionType::kNone, {b.At(rest, 10, kStop)});
  rest_pose.frames[0].overlays = b.Overlays(rest);

  Pose half = WithEyes(rest, Eyes::kHalf);
  ExitToLast(b.Add(
      "Blink", TransitionType::kExitBranches,
      {b.At(half, 4), b.At(WithEyes(rest, Eyes::kClosed), 6), b.At(half, 4), b.At(rest, 10)}));
  AddIdles(b);
}

}  // namespace zarn::demo
