#pragma once

#include <QIcon>
#include <QPixmap>

namespace zarn {

// Our own artwork, drawn by code: the program icon (tray, windows) and the
// picture on the error report.
QIcon ProgramIcon();
QPixmap ErrorTrapPicture(int width, int height);

}  // namespace zarn
