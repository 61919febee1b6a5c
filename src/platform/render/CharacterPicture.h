#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "platform/render/BalloonLook.h"

namespace zarn {

class CharacterEngine;
class CharacterFile;
struct Frame;

// What the screen and the recorder both draw, so that a recording looks as
// the desktop does.

// A frame with mouth shape `mouth` (-1: as drawn) at `size`, ARGB with
// hard alpha; nearest pixels keep the outline hard, as a window mask needs.
QImage CharacterFrameImage(const CharacterFile& file, const Frame& frame, int mouth, QSize size);

// The size a character is drawn at: as the script set it, shrunk to fit on
// `screen` with its proportions kept. A frame larger than any screen would
// cost memory and show nothing more.
QSize DrawnSize(QSize asked, QSize screen);

// Composed frames of one character at one size, kept within a byte budget
// so that however large a script makes a character, memory stays bounded.
class FrameCache {
 public:
  static constexpr size_t kMaxBytes = size_t{16} << 20;

  const QImage& Get(const CharacterFile& file, const Frame& frame, int mouth, QSize size);
  void Clear();

 private:
  std::map<std::pair<const Frame*, int>, QImage> images_;
  QSize size_;
  size_t bytes_ = 0;
};

// The balloon's look for a character's file and its Balloon settings.
BalloonLook BalloonLookFor(const CharacterEngine& engine, const std::string& id);

// A mouth for a word when nothing better says which: its first vowel.
int MouthForWord(const std::string& word);

// A balloon drawn: its picture (ARGB, alpha 0 or 255) and where it goes on
// the screen.
struct BalloonPicture {
  QImage image;
  QRect geometry;
};

// Beside `character`, above it when there is room on `screen`, else below;
// moved sideways to stay on screen. `full` is the whole text (SizeToText
// sizes by it), `shown` what has been said so far.
BalloonPicture PaintBalloon(const BalloonLook& look, const QString& full, const QString& shown,
                            bool think, const QRect& character, const QRect& screen);

}  // namespace zarn
