#include "core/shell/bCloseAll.h"

#include <vector>

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/shell/Program.h"
#include "ports/DesktopPort.h"

namespace zarn::bCloseAll {
namespace {

constexpr size_t kTitleBufferLength = 255;

}  // namespace

bool IsInstanceMark(const std::string& title, const std::string& class_name) {
  if (title.empty() || UCase(title).find("ZARN://") == std::string::npos) return false;
  return class_name == kMainWindowClass || class_name == "ThunderRT6Main" ||
         class_name == "ThunderRT6FormDC";
}

std::string GetWindowClassName(Program& p, WindowId window) {
  ProcedureScope proc{p.errors, "bCloseAll.GetWindowClassName"};
  std::string name;
  proc.Step(10, [&] {
    if (p.ports.windows == nullptr) Throw(vberr::kNoObject, "Object variable not set");
    name = p.ports.windows->ClassName(window);
  });
  return name;
}

void CloseAllInstances(Program& p) {
  ProcedureScope proc{p.errors, "bCloseAll.CloseAllInstances"};
  WindowSystemPort* windows = p.ports.windows;
  if (windows == nullptr) return;
  std::vector<WindowId> order;
  proc.Step(10, [&] { order = windows->TopLevelWindows(); });
  WindowId own = 0;
  proc.Step(20, [&] { own = windows->MainWindow(); });
  for (const WindowId window : order) {
    proc.Step(30, [&] { p.ports.desktop.DoEvents(); });
    std::string title;
    proc.Step(40, [&] {
      title = windows->WindowTitle(window);
      // The title is read into a buffer of 255 characters.
      if (title.size() > kTitleBufferLength) title.resize(kTitleBufferLength);
    });
    if (title.empty() || UCase(title).find("ZARN://") == std::string::npos) continue;
    const std::string class_name = GetWindowClassName(p, window);
    if (!IsInstanceMark(title, class_name) || window == own) continue;
    proc.Step(50, [&] { windows->SendClose(window); });
  }
}

}  // namespace zarn::bCloseAll
