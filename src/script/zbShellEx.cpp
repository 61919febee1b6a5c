#include "script/zbShellEx.h"

#include "platform/ShellPort.h"
#include "platform/Trace.h"
#include "shell/Program.h"

// Placeholder actions: through the shell port when there is one, otherwise
// only recorded.
namespace zarn::zbShellEx {

void RunShellCommand(Program& p, const std::string& psCommand) {
  if (p.ports.shell != nullptr) {
    p.ports.shell->StartProgram(psCommand);
  } else {
    p.ports.trace.Write(TraceRecord("shell", "Start").Arg(psCommand));
  }
}

void SendKeys(Program& p, const std::string& psKeys) {
  if (p.ports.shell != nullptr) {
    p.ports.shell->SendKeys(ParseKeystrokes(psKeys), true);
  } else {
    p.ports.trace.Write(TraceRecord("shell", "SendKeys").Arg(psKeys));
  }
}

void CloseWindowByTitle(Program& p, const std::string& psTitle) {
  p.ports.trace.Write(TraceRecord("shell", "CloseApp").Arg(psTitle));
}

}  // namespace zarn::zbShellEx
