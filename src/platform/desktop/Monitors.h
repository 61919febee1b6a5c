#pragma once

#include <QRect>
#include <vector>

namespace zarn {

// The display's monitors in root coordinates: the X server's heads where it
// has them (Xinerama, which RandR desktops answer too), else Qt's screens.
std::vector<QRect> MonitorRects();

// The monitor a window is on: the one holding its centre, else the
// nearest. Balloons and tips stay on it.
QRect MonitorOf(const QRect& window);

// The monitor the program's full-screen windows cover: the primary one.
QRect HomeMonitor();

}  // namespace zarn
