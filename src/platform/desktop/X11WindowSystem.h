#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ports/WindowSystemPort.h"

namespace zarn {

// Top-level windows of the X display (hidden ones too), closed through the
// ICCCM WM_DELETE_WINDOW message, which reaches unmapped windows and needs
// no window manager.
class X11WindowSystem : public WindowSystemPort {
 public:
  // create_main_window: makes the program's native, never-shown window
  // titled `caption` and gives back its X id.
  // pump: lets events run while SendClose waits.
  X11WindowSystem(std::function<WindowId(const std::string& caption)> create_main_window,
                  std::function<void()> pump);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;

  std::vector<WindowId> TopLevelWindows() override;
  std::string WindowTitle(WindowId window) override;
  std::string ClassName(WindowId window) override;
  void SendClose(WindowId window) override;
  void PostClose(WindowId window) override;
  WindowId FindWindowByTitle(const std::string& title) override;
  void RegisterMainWindow(const std::string& caption, const std::string& class_name) override;
  WindowId MainWindow() const override { return main_; }

  // The process id the window's owner states (_NET_WM_PID); 0 for none.
  int64_t ProcessId(WindowId window);

 private:
  bool Exists(WindowId window);

  void* display_ = nullptr;  // Display*, kept out of the header
  std::function<WindowId(const std::string&)> create_main_window_;
  std::function<void()> pump_;
  WindowId main_ = 0;
};

}  // namespace zarn
