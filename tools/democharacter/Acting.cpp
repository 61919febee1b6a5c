// Waving, greeting, thinking, working and a few moods.

#include "Builder.h"
#include "Sounds.h"

namespace zarn::demo {
namespace {

Pose Waving(float angle, Eyes eyes = Eyes::kHappy) {
  Pose p;
  p.left.angle = angle;
  p.eyes = eyes;
  p.mouth = Mouth::kGrin;
  p.sprout = (angle - 150) / 3;
  return p;
}

Pose Bowing(float depth) {
  Pose p;
  p.sy = 1 - 0.12f * depth;
  p.sx = 1 + 0.03f * depth;
  p.face_dy = 6 * depth;
  p.eyes = depth > 0.5f ? Eyes::kClosed : Eyes::kOpen;
  p.sprout = 14 * depth;
  return p;
}

void AddWaveAndGreet(Builder& b, int16_t chime) {
  const int16_t ding = b.Sound(DingSound());
  Animation& wave =
      b.Add("Wave", TransitionType::kExitBranches,
            {b.At(Waving(60, Eyes::kOpen), 8), b.At(Waving(145), 8), b.At(Waving(172), 12),
             b.At(Waving(135), 12), b.At(Waving(172), 12), b.At(Waving(135), 12),
             b.At(Waving(70, Eyes::kOpen), 8), b.At(Pose{}, 10)});
  wave.frames[2].sound_index = ding;
  wave.frames[5].branches = {{2, 50}};
  for (int i = 1; i <= 5; ++i) wave.frames[i].exit_frame = 6;
  wave.frames[7].exit_frame = kStop;

  Pose sparkly = Waving(172);
  sparkly.extra = Extra::kSparkle;
  Pose sparkly2 = Waving(140);
  sparkly2.extra = Extra::kSparkle;
  sparkly2.extra_step = 1;
  Animation& greet =
      b.Add("Greet", TransitionType::kExitBranches,
            {b.At(Pose{}, 6), b.At(Bowing(0.5f), 8), b.At(Bowing(1), 30), b.At(Bowing(0.4f), 8),
             b.At(Waving(150), 10), b.At(sparkly, 12), b.At(sparkly2, 12), b.At(sparkly, 12),
             b.At(Waving(70), 8), b.At(Pose{}, 10)});
  greet.frames[1].sound_index = chime;
  for (int i = 4; i <= 7; ++i) greet.frames[i].exit_frame = 8;
  greet.frames[9].exit_frame = kStop;
}

void AddThinkAndProcess(Builder& b) {
  auto pondering = [](int bubbles) {
    Pose p;
    p.right.angle = -65;
    p.right.length = 24;
    p.look_x = 0.7f;
    p.look_y = -1;
    p.face_dx = 2;
    p.sprout = 6;
    p.extra = bubbles > 0 ? Extra::kThought : Extra::kNone;
    p.extra_step = bubbles - 1;
    return p;
  };
  Pose reaching = pondering(0);
  reaching.right.angle = -20;
  Animation& think = b.WithReturn(
      "Think", "ThinkReturn",
      {b.At(reaching, 8, kStop), b.At(pondering(0), 10, kStop), b.At(pondering(1), 10, kStop),
       b.At(pondering(2), 10, kStop), b.At(pondering(3), 10, kStop)});
  think.frames.back().overlays = b.Overlays(pondering(3));
  b.PlayThrough("ThinkReturn", {b.At(reaching, 8), b.At(Pose{}, 10)});

  std::vector<Frame> busy;
  for (int step = 0; step < 9; ++step) {
    Pose p;
    p.extra = Extra::kOrbit;
    p.extra_step = step;
    p.look_y = -1;
    p.look_x = step < 4 ? 0.6f : -0.6f;
    p.face_dy = -2;
    p.sprout = step % 2 ? 5 : -5;
    busy.push_back(b.At(p, 8, kStop));
  }
  Animation& processing = b.WithReturn("Processing", "ProcessingReturn", std::move(busy));
  processing.frames.back().branches = {{0, 100}};  // loops until stopped
  processing.frames[0].sound_index = b.Sound(TickSound());
  Pose up;
  up.look_y = -1;
  b.PlayThrough("ProcessingReturn", {b.At(up, 8), b.At(Pose{}, 10)});
}

void AddMoods(Builder& b, int16_t chime) {
  Pose hop;
  hop.dy = -8;
  hop.eyes = Eyes::kHappy;
  hop.mouth = Mouth::kGrin;
  hop.left.angle = hop.right.angle = 60;
  hop.extra = Extra::kSparkle;
  Pose crouch;
  crouch.sy = 0.9f;
  crouch.sx = 1.05f;
  Pose happy;
  happy.eyes = Eyes::kHappy;
  Pose hop2 = hop;
  hop2.dy = -4;
  hop2.extra_step = 1;
  b.PlayThrough("Pleased", {b.At(crouch, 6), b.At(hop, 10), b.At(hop2, 8), b.At(crouch, 6),
                            b.At(happy, 30), b.At(Pose{}, 10)});

  Pose cheer = hop;
  cheer.left.angle = cheer.right.angle = 165;
  cheer.dy = -6;
  Pose cheer2 = cheer;
  cheer2.dy = -2;
  cheer2.extra_step = 1;
  Animation& congratulate = b.PlayThrough(
      "Congratulate", {b.At(crouch, 6), b.At(cheer, 12), b.At(cheer2, 12), b.At(cheer, 12),
                       b.At(cheer2, 12), b.At(happy, 20), b.At(Pose{}, 10)});
  congratulate.frames[1].sound_index = chime;

  Pose shock;
  shock.eyes = Eyes::kWide;
  shock.mouth = Mouth::kOh;
  shock.dy = -3;
  shock.left.angle = shock.right.angle = 50;
  shock.sprout = -4;
  Pose startle = shock;
  startle.dy = -6;
  b.PlayThrough("Surprised", {b.At(startle, 8), b.At(shock, 40), b.At(Pose{}, 10)});

  Pose nod;
  nod.face_dy = 5;
  nod.dy = 1;
  nod.sprout = 10;
  b.PlayThrough("Acknowledge", {b.At(nod, 10), b.At(Pose{}, 8), b.At(nod, 10), b.At(Pose{}, 10)});

  auto shake = [](float x) {
    Pose p;
    p.face_dx = x;
    p.look_x = x / 5;
    p.mouth = Mouth::kFlat;
    p.sprout = -x * 2;
    return p;
  };
  b.PlayThrough("Decline", {b.At(shake(-5), 8), b.At(shake(5), 8), b.At(shake(-5), 8),
                            b.At(shake(5), 8), b.At(Pose{}, 10)});

  Pose open;
  open.left.angle = open.right.angle = 70;
  open.face_dy = -1;
  Pose half_open = open;
  half_open.left.angle = half_open.right.angle = 40;
  Animation& explain = b.Add("Explain", TransitionType::kExitBranches,
                             {b.At(half_open, 8, 2), b.At(open, 8, 2), b.At(open, 10, kStop)});
  explain.frames.back().overlays = b.Overlays(open);

  Pose listening;
  listening.eyes = Eyes::kWide;
  listening.left.angle = 150;
  listening.left.length = 18;
  listening.look_x = 0.6f;
  listening.face_dx = 2;
  listening.sprout = 8;
  Pose raising = listening;
  raising.left.angle = 90;
  raising.eyes = Eyes::kOpen;
  b.PlayThrough("Alert", {b.At(raising, 8), b.At(listening, 10)});
  Pose hearing = listening;
  hearing.eyes = Eyes::kOpen;
  Pose hearing_up = hearing;
  hearing_up.look_y = -0.5f;
  b.PlayThrough("Hearing1", {b.At(hearing, 10), b.At(hearing_up, 10)});
}

}  // namespace

void AddActing(Builder& b) {
  const int16_t chime = b.Sound(ChimeSound());
  AddWaveAndGreet(b, chime);
  AddThinkAndProcess(b);
  AddMoods(b, chime);
}

}  // namespace zarn::demo
