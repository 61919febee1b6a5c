#include "core/errortrap/frmErrorTrap.h"

#include "core/errortrap/bErrorTrap.h"
#include "core/script/zbShellEx.h"
#include "core/shell/Program.h"
#include "ports/ClipboardPort.h"
#include "ports/DesktopPort.h"

namespace zarn::frmErrorTrap {

void Actions::CopyReport(const std::string& shown_text) {
  if (ClipboardPort* clipboard = program_.ports.clipboard) {
    Silently([&] {
      clipboard->Clear();
      clipboard->SetText(shown_text);
    });
  }
  // "Clipboard" alone: the text names no other operating system.
  program_.ports.desktop.MessageBox("Copied ZARN Error Message to the Clipboard.",
                                    MessageIcon::kInformation, MessageButtons::kOk, "ZARNPlay");
}

void Actions::OpenReportPage() {
  Silently([&] { zbShellEx::RunShellCommand(program_, kReportPage); });
}

void Actions::OpenHomePage() {
  Silently([&] { zbShellEx::RunShellCommand(program_, kHomePage); });
}

}  // namespace zarn::frmErrorTrap
