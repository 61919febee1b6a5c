#pragma once

#include <string>

namespace zarn {

// The modal error report window (frmErrorTrap's face). It returns when the
// user chooses OK, or reports that the user chose "Close Program".
class ErrorDialogPort {
 public:
  enum class Choice { kOk, kCloseProgram };
  virtual ~ErrorDialogPort() = default;
  // caption: "ZARN 7.0.10"; report: the full text shown in the message box.
  virtual Choice ShowReport(const std::string& caption, const std::string& report) = 0;
};

}  // namespace zarn
