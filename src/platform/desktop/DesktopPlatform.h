#pragma once

#include <QSocketNotifier>
#include <memory>

#include "backend/Trace.h"
#include "platform/desktop/QtClipboard.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/desktop/QtScheduler.h"
#include "platform/desktop/X11WindowSystem.h"
#include "ports/Platform.h"

class QApplication;
class QWidget;

namespace zarn {

// Services the desktop does not draw itself yet; the wiring lends them.
struct LentServices {
  EnvironmentPort* environment = nullptr;
  MediaCommandPort* media = nullptr;
  BackdropWindowPort* backdrop = nullptr;
  ShellPort* shell = nullptr;
  PresentationPort* presentation = nullptr;
  WindowSystemPort* windows = nullptr;  // null: those on the display
};

// The program on a real display: Qt Widgets on X11, the wall clock, the
// tray, dialogs and the window system. Needs $DISPLAY (or XWayland).
class DesktopPlatform : public Platform {
 public:
  DesktopPlatform();
  ~DesktopPlatform() override;

  // Must be called before the program starts.
  void Lend(const LentServices& services) { lent_ = services; }

  Scheduler& Loop() override { return loop_; }
  TracePort& Trace() override { return trace_; }
  DesktopPort& Desktop() override { return screen_; }
  ErrorDialogPort& ErrorDialog() override { return screen_; }
  EnvironmentPort& Environment() override { return *lent_.environment; }
  MediaCommandPort& Media() override { return *lent_.media; }
  BackdropWindowPort& Backdrop() override { return *lent_.backdrop; }
  ShellPort& Shell() override { return *lent_.shell; }
  WindowSystemPort& Windows() override { return lent_.windows ? *lent_.windows : windows_; }
  ClipboardPort& Clipboard() override { return clipboard_; }
  PresentationPort* Presentation() override { return lent_.presentation; }

  void Run(const std::function<bool()>& keep_running) override;
  void Pump() override { screen_.DoEvents(); }
  void Quit() override;
  void EndProcess(int code) override;

  zarn::Trace& TraceLog() { return trace_; }
  QtDesktop& Screen() { return screen_; }
  QtScheduler& WallLoop() { return loop_; }
  X11WindowSystem& DisplayWindows() { return windows_; }
  // Another copy asked us to close by some way of its own.
  void AskToClose() { CloseAsked(); }

 private:
  void CloseAsked();
  WindowId CreateMainWindow(const std::string& caption);

  std::unique_ptr<QApplication> app_;
  QtScheduler loop_;
  zarn::Trace trace_;
  QtDesktop screen_;
  QtClipboard clipboard_;
  X11WindowSystem windows_;
  LentServices lent_;
  std::unique_ptr<QWidget> main_window_;
  std::unique_ptr<QSocketNotifier> signal_notifier_;
  bool quit_ = false;
};

}  // namespace zarn
