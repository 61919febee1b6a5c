#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

#include "platform/common/WindowRegistry.h"
#include "platform/desktop/X11WindowSystem.h"
#include "ports/WindowSystemPort.h"

namespace zarn {

// The desktop's windows: those on the X display, and after them the copies
// of this user's that only the per-user registry knows (headless ones, ones
// on another display). Our main window goes to both; a copy found on the
// display is not listed a second time from the registry, so it is asked to
// close once.
class DesktopWindows : public WindowSystemPort {
 public:
  // on_close: another copy asked us to close through the registry.
  DesktopWindows(X11WindowSystem& display, std::function<void()> on_close,
                 std::string registry_folder = WindowRegistry::DefaultFolder());
  ~DesktopWindows() override;

  std::vector<WindowId> TopLevelWindows() override;
  std::string WindowTitle(WindowId window) override;
  std::string ClassName(WindowId window) override;
  void SendClose(WindowId window) override;
  void PostClose(WindowId window) override;
  WindowId FindWindowByTitle(const std::string& title) override;
  void RegisterMainWindow(const std::string& caption, const std::string& class_name) override;
  WindowId MainWindow() const override { return display_.MainWindow(); }

 private:
  // X window ids fit in 32 bits: the registry's numbers are told apart by
  // this bit.
  static constexpr WindowId kRegistered = WindowId{1} << 63;
  static bool Registered(WindowId window) { return (window & kRegistered) != 0; }

  X11WindowSystem& display_;
  WindowRegistry registry_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace zarn
