#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

enum class MessageIcon { kNone, kWarning, kInformation, kQuestion };
enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageAnswer { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };

// Names the trace gives them.
inline const char* MessageIconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kWarning:
      return "warning";
    case MessageIcon::kInformation:
      return "information";
    case MessageIcon::kQuestion:
      return "question";
    case MessageIcon::kNone:
      break;
  }
  return "none";
}
inline const char* MessageButtonsName(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOkCancel:
      return "okcancel";
    case MessageButtons::kYesNo:
      return "yesno";
    case MessageButtons::kOk:
      break;
  }
  return "ok";
}
inline const char* MessageAnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kCancel:
      return "cancel";
    case MessageAnswer::kYes:
      return "yes";
    case MessageAnswer::kNo:
      return "no";
    case MessageAnswer::kOk:
      break;
  }
  return "ok";
}
enum class MousePointer { kDefault, kWait };

// What the common open/save dialog is given and gives back.
struct FileDialogRequest {
  bool open = true;
  int32_t owner = 0;
  std::string filter;  // description|pattern pairs, "|" separated
  int32_t filter_index = 0;
  std::string file_name;
  std::string file_title;
  std::string initial_dir;
  std::string title;
  int32_t flags = 0;
  std::string default_ext;
};
struct FileDialogResult {
  bool confirmed = false;
  std::string file_name;   // full path
  std::string file_title;  // name without folder
};

// The mouse messages the tray icon's callback delivers.
namespace tray_message {
inline constexpr int32_t kMouseMove = 512;  // also the callback message itself
inline constexpr int32_t kLeftButtonDown = 513;
inline constexpr int32_t kRightButtonUp = 517;
}  // namespace tray_message

// The notification-area icon record as start-up fills it.
struct NotifyIconData {
  int32_t size = 88;
  int32_t owner_window = 0;
  int32_t icon_id = 1;
  int32_t flags = 7;
  int32_t callback_message = tray_message::kMouseMove;
  std::string tip = "ZARNPlay";
};

// User actions the desktop delivers to the main form, from the pump.
class DesktopEvents {
 public:
  virtual ~DesktopEvents() = default;
  // The tray icon's callback: one of the tray_message values.
  virtual void TrayMouseMessage(int32_t message) = 0;
  // Another copy sent the main window the close message.
  virtual void CloseRequested() = 0;
};

// The desktop: message boxes, the file dialog, the tray icon and its popup
// menu, the mouse pointer, pending events and sleeping.
class DesktopPort {
 public:
  virtual ~DesktopPort() = default;
  virtual void SetEvents(DesktopEvents* events) = 0;

  virtual MessageAnswer MessageBox(const std::string& text, MessageIcon icon,
                                   MessageButtons buttons, const std::string& title) = 0;
  virtual FileDialogResult ShowFileDialog(const FileDialogRequest& request) = 0;

  virtual void TrayAdd(const NotifyIconData& data) = 0;
  virtual void TrayRemove(const NotifyIconData& data) = 0;
  // The popup menu's visible captions, whenever they change.
  virtual void SetPopupMenu(const std::vector<std::string>& captions) = 0;
  // Shows the popup menu modally; the index of the chosen caption, or none.
  virtual std::optional<int> TrackPopupMenu() = 0;
  virtual void SetForegroundWindow() = 0;

  virtual void SetPointer(MousePointer pointer) = 0;
  // Lets every pending window and service event run once.
  virtual void DoEvents() = 0;
  virtual void Sleep(int32_t milliseconds) = 0;

  // Screen size in twips and twips per pixel.
  virtual int32_t ScreenWidthTwips() const = 0;
  virtual int32_t ScreenHeightTwips() const = 0;
  virtual int32_t TwipsPerPixelX() const = 0;
  virtual int32_t TwipsPerPixelY() const = 0;
};

}  // namespace zarn
