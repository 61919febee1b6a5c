#include "core/script/zbShellEx.h"

#include "base/CommandLineSplit.h"
#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/shell/Program.h"
#include "ports/DesktopPort.h"
#include "ports/ShellPort.h"
#include "ports/TracePort.h"
#include "ports/WindowSystemPort.h"

namespace zarn::zbShellEx {
namespace {

const char* const kTitle = "ZARNPlay";

ShellPort& Shell(Program& p) {
  if (p.ports.shell == nullptr) ThrowNoObject();
  return *p.ports.shell;
}

// Any failure means "not a program"; the shell-open call gets its turn.
bool StartedAsProgram(Program& p, const std::string& command) {
  try {
    Shell(p).StartProgram(command);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool IsDeniedCommand(std::string_view psCommand) {
  const std::string entry = "|" + UCase(Trim(psCommand)) + "|";
  return kDeniedCommands.find(entry) != std::string_view::npos;
}

bool MayRunFromScript(Program& p, const std::string& statement) {
  if (p.NetworkScriptRuns <= 0) return true;
  const std::string shown = Trim(statement);
  switch (p.NetworkCommands) {
    case NetworkCommandPolicy::kAllow:
      return true;
    case NetworkCommandPolicy::kAsk:
      if (p.ports.desktop.MessageBox("A script from the network asks to run:\r\n\r\n" + shown +
                                         "\r\n\r\nDo you want to allow it?",
                                     MessageIcon::kQuestion, MessageButtons::kYesNo,
                                     kTitle) == MessageAnswer::kYes) {
        return true;
      }
      break;
    case NetworkCommandPolicy::kRefuse:
      p.ports.desktop.MessageBox("A script from the network was not allowed to run:\r\n\r\n" +
                                     shown + "\r\n\r\nStart with --allow-shell to allow it.",
                                 MessageIcon::kWarning, MessageButtons::kOk, kTitle);
      break;
  }
  p.ports.trace.Write(TraceRecord("shell", "Refused").Arg(shown));
  return false;
}

// Own handling: a refused command and a failure outside the program start
// are shown in a message; the result is what it was by then.
int32_t RunShellCommand(Program& p, const std::string& psCommand) {
  std::string command = psCommand;
  int32_t result = 0;
  try {
    command = Trim(command);
    if (IsDeniedCommand(command)) {
      p.ports.trace.Write(TraceRecord("shell", "Refused").Arg(command));
      p.ports.desktop.MessageBox("Command is not allowed:\r\n\r\n" + command, MessageIcon::kWarning,
                                 MessageButtons::kOk, kTitle);
      return 0;
    }
    if (StartedAsProgram(p, command)) {
      p.ports.desktop.DoEvents();
      return 0;
    }
    const ShellOpenRequest request = SplitFileAndParameters(command);
    command = request.file;
    result = Shell(p).ShellExecute("", request.file, request.parameters, "", kShowNormal);
    p.ports.desktop.DoEvents();
  } catch (...) {
    const VbError failure = CurrentFailure(std::current_exception());
    p.ports.desktop.MessageBox("Error opening:\r\n" + command + "\r\n\r\nError " +
                                   std::to_string(failure.Number()) + " : " + failure.Description(),
                               MessageIcon::kWarning, MessageButtons::kOk, kTitle);
  }
  return result;
}

// No handling of its own: the interpreter reports a failure.
void SendKeys(Program& p, const std::string& psKeys) {
  const KeystrokePlan plan = ParseKeystrokes(psKeys);
  Shell(p).SendKeys(plan, true);
}

// No handling of its own: the interpreter reports a failure.
void CloseWindowByTitle(Program& p, const std::string& psTitle) {
  TraceRecord record("shell", "CloseApp");
  record.Arg(psTitle);
  WindowSystemPort* windows = p.ports.windows;
  try {
    const WindowId window = windows != nullptr ? windows->FindWindowByTitle(psTitle) : 0;
    if (window != 0) windows->PostClose(window);
    p.ports.trace.Write(record.Result(window != 0));
  } catch (const VbError& e) {
    p.ports.trace.Write(record.Error(std::to_string(e.Number()) + " " + e.Description()));
    throw;
  }
}

}  // namespace zarn::zbShellEx
