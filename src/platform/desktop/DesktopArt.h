#pragma once

#include <QIcon>
#include <QPixmap>

namespace zarn {

// Our own artwork, drawn by code: the program icon (tray, windows), the
// picture on the error report and the backdrop's close glyph.
QIcon ProgramIcon();
QPixmap ErrorTrapPicture(int width, int height);
// The backdrop's 10 x 10 close glyph: a cross on a light square.
QPixmap CloseGlyph();

}  // namespace zarn
