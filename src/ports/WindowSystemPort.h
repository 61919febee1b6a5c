#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

// A top-level window as the window system knows it; 0 is no window.
using WindowId = uint64_t;

// The window system: top-level windows of every program of this user, their
// titles and classes, the close message, and this program's own main window.
// Failures throw VbError.
class WindowSystemPort {
 public:
  virtual ~WindowSystemPort() = default;

  // Every top-level window in the platform's order (first, next, ...).
  virtual std::vector<WindowId> TopLevelWindows() = 0;
  // Empty when the window has no title or is gone.
  virtual std::string WindowTitle(WindowId window) = 0;
  // Empty when the platform gives none.
  virtual std::string ClassName(WindowId window) = 0;
  // Sends the close message and returns once the receiver has handled it
  // (or has gone, or a few seconds have passed).
  virtual void SendClose(WindowId window) = 0;
  // Posts the close message and returns at once.
  virtual void PostClose(WindowId window) = 0;
  // The first top-level window whose title is exactly `title`; 0 for none.
  virtual WindowId FindWindowByTitle(const std::string& title) = 0;

  // Makes this program's main window known to the others under `caption`
  // and `class_name`; MainWindow() is 0 until then.
  virtual void RegisterMainWindow(const std::string& caption, const std::string& class_name) = 0;
  virtual WindowId MainWindow() const = 0;
};

}  // namespace zarn
