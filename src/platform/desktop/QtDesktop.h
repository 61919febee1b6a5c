#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <memory>
#include <string>
#include <vector>

#include "backend/Trace.h"
#include "ports/DesktopPort.h"
#include "ports/ErrorDialogPort.h"

namespace zarn {

class QtScheduler;

// The desktop on Qt Widgets: real message boxes, the open dialog, the
// tray icon and its popup menu, the wait pointer; everything shown is also
// written to the trace, as headless.
class QtDesktop : public DesktopPort, public ErrorDialogPort {
 public:
  QtDesktop(QtScheduler& loop, Trace& trace);
  ~QtDesktop() override;

  void SetEvents(DesktopEvents* events) override { events_ = events; }
  MessageAnswer MessageBox(const std::string& text, MessageIcon icon, MessageButtons buttons,
                           const std::string& title) override;
  FileDialogResult ShowFileDialog(const FileDialogRequest& request) override;
  void TrayAdd(const NotifyIconData& data) override;
  void TrayRemove(const NotifyIconData& data) override;
  void SetPopupMenu(const std::vector<std::string>& captions) override;
  std::optional<int> TrackPopupMenu() override;
  void SetForegroundWindow() override {}
  void SetPointer(MousePointer pointer) override;
  void DoEvents() override;
  void Sleep(int32_t milliseconds) override;
  int32_t ScreenWidthTwips() const override;
  int32_t ScreenHeightTwips() const override;
  int32_t TwipsPerPixelX() const override { return 15; }
  int32_t TwipsPerPixelY() const override { return 15; }

  Choice ShowReport(const std::string& caption, const std::string& report) override;
  void SetActions(ErrorDialogActions* actions) override { report_actions_ = actions; }

  // The tray menu's items, for menus that stand in for it (a character's
  // right-click menu); choosing one acts as choosing it from the tray.
  const std::vector<std::string>& MenuCaptions() const { return menu_; }
  void ChooseMenuItem(int index);

  // Where the desktop's own records go (menus it shows beside the tray's).
  Trace& TraceLog() { return trace_; }

  // The program is asked to end: open dialogs and menus close as cancelled
  // and none opens from now on, so nothing keeps the program waiting.
  void EndDialogs();

  // The main window was asked to close (window manager, another copy).
  void CloseRequested() {
    if (events_) events_->CloseRequested();
  }

 private:
  QtScheduler& loop_;
  Trace& trace_;
  DesktopEvents* events_ = nullptr;
  ErrorDialogActions* report_actions_ = nullptr;
  std::unique_ptr<QSystemTrayIcon> tray_;
  std::vector<std::string> menu_;
  MousePointer pointer_ = MousePointer::kDefault;
  std::optional<int> chosen_;  // picked elsewhere; the next TrackPopupMenu answers it
  bool ending_ = false;
};

}  // namespace zarn
