#pragma once

#include <cstdint>
#include <string>

#include "ports/ErrorDialogPort.h"

namespace zarn {

struct Program;

namespace frmErrorTrap {

// The form's layout and texts are the port's: the desktop draws them.
using namespace error_dialog;

// Our project's pages the dialog opens.
inline constexpr char kHomePage[] = "https://zarnplay.example.org/";
inline constexpr char kReportPage[] = "https://zarnplay.example.org/report-error";

// The buttons' work, on the program's ports: the clipboard, the message
// box and the guarded shell-open.
class Actions : public ErrorDialogActions {
 public:
  explicit Actions(Program& program) : program_(program) {}
  void CopyReport(const std::string& shown_text) override;
  void OpenReportPage() override;
  void OpenHomePage() override;

 private:
  Program& program_;
};

}  // namespace frmErrorTrap
}  // namespace zarn
