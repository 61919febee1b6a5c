#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zarn {

// The report window's form: its controls and fixed texts.
namespace error_dialog {

enum class ControlKind { kPicture, kLabelBox, kTextBox, kButton };

// One control of the report dialog; positions and sizes in twips.
struct Control {
  const char* name;
  int index;  // -1 for controls that are not in an array
  ControlKind kind;
  int32_t left, top, width, height;
  const char* text;
};

inline constexpr int32_t kClientWidth = 7635;
inline constexpr int32_t kClientHeight = 4965;

// In tab order; the pictures, which take no focus, come last.
inline constexpr std::array<Control, 10> kControls = {{
    {"txtInfo", 0, ControlKind::kLabelBox, 3360, 300, 4155, 480, "Unexpected Error"},
    {"txtMsg", -1, ControlKind::kTextBox, 2760, 960, 4755, 1515, ""},
    {"txtInfo", 1, ControlKind::kLabelBox, 2760, 2700, 3075, 2175, ""},
    {"cmdCopy", -1, ControlKind::kButton, 6060, 2640, 1440, 435, "Copy to Clipboard"},
    {"cmdSendReport", -1, ControlKind::kButton, 6060, 3180, 1440, 435, "Report Error..."},
    {"cmdClose", -1, ControlKind::kButton, 6060, 3900, 1440, 435, "Close Program"},
    {"cmdOK", -1, ControlKind::kButton, 6060, 4440, 1440, 435, "OK"},
    {"txtFocus", -1, ControlKind::kTextBox, 7800, 240, 675, 255, "Focus"},
    {"imgZARN", -1, ControlKind::kPicture, 120, 120, 2460, 4710, ""},
    {"IconPic", -1, ControlKind::kPicture, 2760, 240, 480, 480, ""},
}};

// The advice below the report, lines ended by CR LF.
inline constexpr char kAdviceText[] =
    "It may be possible to continue normally by \r\n"
    "clicking the 'OK' button, but please report \r\n"
    "this error at our website so it may be fixed.\r\n"
    " \r\n"
    "Thank you for using ZARN!\r\n"
    "\r\n"
    "To visit our Website click 'Quillo' or the \r\n"
    "'Report Error...' button.\r\n";

}  // namespace error_dialog

// What the report window's buttons and picture do; the program supplies it.
class ErrorDialogActions {
 public:
  virtual ~ErrorDialogActions() = default;
  // Puts the whole shown text on the clipboard and says so.
  virtual void CopyReport(const std::string& shown_text) = 0;
  virtual void OpenReportPage() = 0;
  virtual void OpenHomePage() = 0;
};

// The modal error report window (frmErrorTrap's face). It returns when the
// user chooses OK, or reports that the user chose "Close Program".
class ErrorDialogPort {
 public:
  enum class Choice { kOk, kCloseProgram };
  virtual ~ErrorDialogPort() = default;
  // caption: "ZARN 7.0.10"; report: the full text shown in the message box.
  virtual Choice ShowReport(const std::string& caption, const std::string& report) = 0;
  // Where the buttons go; a dialog without buttons of its own ignores it.
  virtual void SetActions(ErrorDialogActions* actions) { (void)actions; }
};

}  // namespace zarn
