#include "app/backends/DesktopWindows.h"

#include <unistd.h>

#include <set>

namespace zarn {

DesktopWindows::DesktopWindows(X11WindowSystem& display, std::function<void()> on_close,
                               std::string registry_folder)
    : display_(display), registry_(std::move(registry_folder)) {
  registry_.SetCloseHandler([on_close = std::move(on_close)](WindowId) {
    if (on_close) on_close();
  });
}

DesktopWindows::~DesktopWindows() { notifier_.reset(); }

std::vector<WindowId> DesktopWindows::TopLevelWindows() {
  std::vector<WindowId> windows = display_.TopLevelWindows();
  std::vector<WindowId> registered;
  for (const WindowId window : registry_.TopLevelWindows()) {
    if (registry_.ProcessOf(window) != ::getpid()) registered.push_back(window);
  }
  if (registered.empty()) return windows;
  std::set<int64_t> on_display;
  for (const WindowId window : windows) on_display.insert(display_.ProcessId(window));
  for (const WindowId window : registered) {
    if (on_display.count(registry_.ProcessOf(window)) == 0) {
      windows.push_back(window | kRegistered);
    }
  }
  return windows;
}

std::string DesktopWindows::WindowTitle(WindowId window) {
  return Registered(window) ? registry_.WindowTitle(window & ~kRegistered)
                            : display_.WindowTitle(window);
}

std::string DesktopWindows::ClassName(WindowId window) {
  return Registered(window) ? registry_.ClassName(window & ~kRegistered)
                            : display_.ClassName(window);
}

void DesktopWindows::SendClose(WindowId window) {
  if (Registered(window)) {
    registry_.SendClose(window & ~kRegistered);
  } else {
    display_.SendClose(window);
  }
}

void DesktopWindows::PostClose(WindowId window) {
  if (Registered(window)) {
    registry_.PostClose(window & ~kRegistered);
  } else {
    display_.PostClose(window);
  }
}

WindowId DesktopWindows::FindWindowByTitle(const std::string& title) {
  if (const WindowId window = display_.FindWindowByTitle(title)) return window;
  const WindowId window = registry_.FindWindowByTitle(title);
  return window != 0 ? window | kRegistered : 0;
}

void DesktopWindows::RegisterMainWindow(const std::string& caption, const std::string& class_name) {
  display_.RegisterMainWindow(caption, class_name);
  registry_.RegisterMainWindow(caption, class_name);
  if (!notifier_ && registry_.ListenDescriptor() >= 0) {
    notifier_ =
        std::make_unique<QSocketNotifier>(registry_.ListenDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [this] { registry_.AcceptCloseMessages(); });
  }
}

}  // namespace zarn
