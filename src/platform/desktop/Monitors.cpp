#include "platform/desktop/Monitors.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>

namespace zarn {
namespace {

constexpr QRect kFallback(0, 0, 1024, 768);

// Qt lists only RandR's monitors with outputs; a server that joins its
// screens by Xinerama alone shows Qt one of them.
std::vector<QRect> XineramaHeads() {
  std::vector<QRect> heads;
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (display == nullptr || !XineramaIsActive(display)) return heads;
  int count = 0;
  if (XineramaScreenInfo* info = XineramaQueryScreens(display, &count)) {
    for (int i = 0; i < count; ++i) {
      heads.emplace_back(info[i].x_org, info[i].y_org, info[i].width, info[i].height);
    }
    XFree(info);
  }
  return heads;
}

}  // namespace

std::vector<QRect> MonitorRects() {
  std::vector<QRect> monitors = XineramaHeads();
  if (!monitors.empty()) return monitors;
  for (const QScreen* screen : QGuiApplication::screens()) monitors.push_back(screen->geometry());
  if (monitors.empty()) monitors.push_back(kFallback);
  return monitors;
}

QRect MonitorOf(const QRect& window) {
  const QPoint centre = window.center();
  QRect best;
  int best_distance = std::numeric_limits<int>::max();
  for (const QRect& monitor : MonitorRects()) {
    if (monitor.contains(centre)) return monitor;
    const int dx = std::max({monitor.left() - centre.x(), 0, centre.x() - monitor.right()});
    const int dy = std::max({monitor.top() - centre.y(), 0, centre.y() - monitor.bottom()});
    if (dx + dy < best_distance) {
      best_distance = dx + dy;
      best = monitor;
    }
  }
  return best;
}

QRect HomeMonitor() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : kFallback;
}

}  // namespace zarn
