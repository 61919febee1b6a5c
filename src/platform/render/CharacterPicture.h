#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <string>

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
