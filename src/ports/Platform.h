#pragma once

#include <functional>

namespace zarn {

class BackdropWindowPort;
class ClipboardPort;
class DesktopPort;
class EnvironmentPort;
class ErrorDialogPort;
class MediaCommandPort;
class PresentationPort;
class Scheduler;
class ShellPort;
class TracePort;
class WindowSystemPort;

// Everything the program runs on: the loop and every service a platform
// provides. Headless and desktop each implement it once; the program is
// wired to either through the same function.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual Scheduler& Loop() = 0;
  virtual TracePort& Trace() = 0;
  virtual DesktopPort& Desktop() = 0;
  virtual ErrorDialogPort& ErrorDialog() = 0;
  virtual EnvironmentPort& Environment() = 0;
  virtual MediaCommandPort& Media() = 0;
  virtual BackdropWindowPort& Backdrop() = 0;
  virtual ShellPort& Shell() = 0;
  virtual WindowSystemPort& Windows() = 0;
  virtual ClipboardPort& Clipboard() = 0;
  // Null where no presentation program is available.
  virtual PresentationPort* Presentation() = 0;

  // Runs the loop until Quit, or until `keep_running` says no.
  virtual void Run(const std::function<bool()>& keep_running) = 0;
  // Runs what is pending now and returns.
  virtual void Pump() = 0;
  // Makes Run return once the event in hand is done.
  virtual void Quit() = 0;
  // Ends the program at once with `code`, as Close Program in an error
  // report does: nothing up the stack runs on. Headless only ends its loop,
  // so its timeline closes as always.
  virtual void EndProcess(int code) {
    (void)code;
    Quit();
  }

  // What to do when the user or the system asks the program to end (a
  // signal, a close message, the window manager); set by the wiring.
  void SetCloseRequestHandler(std::function<void()> handler) { on_close_ = std::move(handler); }

 protected:
  void RequestClose() {
    if (on_close_) on_close_();
  }

 private:
  std::function<void()> on_close_;
};

}  // namespace zarn
