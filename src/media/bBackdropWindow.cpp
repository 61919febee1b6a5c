#include "media/bBackdrop.h"
#include "platform/DesktopPort.h"
#include "platform/Trace.h"
#include "shell/Program.h"

// Placeholder backdrop: records the request until the window is built.
namespace zarn::bBackdrop {
namespace {
void Record(Program& p, const char* what, const std::string& value) {
  p.ports.trace.Write(TraceRecord("ui", "Backdrop").Arg(what).Arg(value));
}
}  // namespace

void SetBackdropColor(Program& p, const std::string& psColor) { Record(p, "color", psColor); }
void SetBackdropImage(Program& p, const std::string& psFile) { Record(p, "image", psFile); }
void ShowBackdrop(Program& p) {
  Record(p, "show", "");
  p.ports.desktop.DoEvents();
}
void HideBackdrop(Program& p) {
  Record(p, "hide", "");
  p.ports.desktop.DoEvents();
}

}  // namespace zarn::bBackdrop
