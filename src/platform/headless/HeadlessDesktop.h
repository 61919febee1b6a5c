#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backend/Trace.h"
#include "platform/common/VirtualTimeLoop.h"
#include "ports/DesktopPort.h"
#include "ports/ErrorDialogPort.h"

namespace zarn {

// The desktop with nobody in front of it: message boxes answer OK (Cancel
// where OK would only repeat the box), the open dialog cancels unless an
// action gave it a path, and everything shown goes to the trace.
class HeadlessDesktop : public DesktopPort, public ErrorDialogPort {
 public:
  HeadlessDesktop(VirtualTimeLoop& loop, Trace& trace, int width_px, int height_px);

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
  void DoEvents() override {
    if (pump_hook_) pump_hook_();
    loop_.RunDue();
  }
  // Runs at every pump too: messages that come from outside the program.
  void SetPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  void Sleep(int32_t milliseconds) override { loop_.Advance(milliseconds); }
  int32_t ScreenWidthTwips() const override { return width_px_ * 15; }
  int32_t ScreenHeightTwips() const override { return height_px_ * 15; }
  int32_t TwipsPerPixelX() const override { return 15; }
  int32_t TwipsPerPixelY() const override { return 15; }

  Choice ShowReport(const std::string& caption, const std::string& report) override;

  // User actions (--act).
  void AnswerNextDialog(std::string path) { dialog_answers_.push_back(std::move(path)); }
  // The next error report is answered with Close Program instead of OK.
  void CloseProgramAtNextReport() { close_at_next_report_ = true; }
  // Right-clicks the tray icon; with a caption, chooses that menu item.
  void RightClickTray(std::optional<std::string> caption);
  void RequestClose();
  bool TrayPresent() const { return tray_present_; }

 private:
  VirtualTimeLoop& loop_;
  Trace& trace_;
  int width_px_;
  int height_px_;
  DesktopEvents* events_ = nullptr;
  std::deque<std::string> dialog_answers_;
  bool close_at_next_report_ = false;
  std::vector<std::string> menu_;
  bool menu_traced_ = false;
  std::optional<std::string> menu_choice_;
  MousePointer pointer_ = MousePointer::kDefault;
  bool tray_present_ = false;
  std::function<void()> pump_hook_;
};

}  // namespace zarn
