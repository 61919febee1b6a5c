#pragma once

// Fennet, the demo character: a round periwinkle creature with a sprout on
// its head, drawn from a handful of pose parameters into a 128 x 128 frame.

#include <cstdint>
#include <string>
#include <vector>

#include "Paint.h"

namespace zarn::demo {

inline constexpr int kFrameSize = 128;

enum class Eyes { kOpen, kHalf, kClosed, kHappy, kWide };
enum class Mouth { kSmile, kGrin, kOh, kFlat };
// Extras drawn around the figure.
enum class Extra { kNone, kSleep, kThought, kOrbit, kNotes, kSparkle };

struct Arm {
  float angle = 8;    // degrees from hanging down, outward positive (up is 180)
  float length = 20;  // shoulder to hand centre
};

struct Pose {
  float dx = 0, dy = 0;  // whole figure offset
  float sx = 1, sy = 1;  // scale about the feet
  float face_dx = 0;     // face turned sideways (pixels)
  float face_dy = 0;     // face tilted up/down
  Eyes eyes = Eyes::kOpen;
  float look_x = 0, look_y = 0;  // pupil offset, -1..1
  Mouth mouth = Mouth::kSmile;
  Arm left, right;         // the figure's own left (screen right) and right
  float sprout = 0;        // sprout sway, degrees
  bool lift_feet = false;  // hovering while moving
  Extra extra = Extra::kNone;
  int extra_step = 0;  // animation phase of the extra

  std::string Key() const;  // equal poses share one image
};

// The whole frame.
std::vector<uint8_t> DrawFigure(const Pose& pose);

// Where the mouth's centre lands in the frame for this pose.
Point MouthCentre(const Pose& pose);

// Mouth overlay pictures: a patch of skin with the mouth shape 0..6 drawn
// at its centre; the patch covers the base frame's closed mouth.
inline constexpr int kMouthPatchWidth = 24;
inline constexpr int kMouthPatchHeight = 16;
std::vector<uint8_t> DrawMouthPatch(int shape, float scale);

// The 16 x 16 tray icon.
std::vector<uint8_t> DrawIcon();

}  // namespace zarn::demo
