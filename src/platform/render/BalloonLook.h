#pragma once

#include <QColor>
#include <QFont>

namespace zarn {

// How a character's balloon looks, from its file and Balloon.Style.
struct BalloonLook {
  QFont font;
  QColor text{0, 0, 0};
  QColor back{255, 255, 225};
  QColor border{0, 0, 0};
  int chars_per_line = 28;
  int lines = 2;
  bool size_to_text = false;
  bool auto_hide = true;
  bool auto_pace = true;
};

// A balloon closes this long after its speech ends, when it hides itself.
inline constexpr int kBalloonAutoHideMs = 1500;

}  // namespace zarn
