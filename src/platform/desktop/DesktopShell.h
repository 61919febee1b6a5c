#pragma once

#include <optional>
#include <string>

#include "backend/Trace.h"
#include "ports/ShellPort.h"

namespace zarn {

// The shell on the desktop: programs and documents through the shell the
// wiring lends; keystrokes typed for real through libxdo and XTEST into
// the window that has the focus.
class DesktopShell : public ShellPort {
 public:
  DesktopShell(ShellPort& starter, Trace& trace) : starter_(starter), trace_(trace) {}

  int32_t StartProgram(const std::string& command_line) override;
  int32_t ShellExecute(const std::string& operation, const std::string& file,
                       const std::string& parameters, const std::string& directory,
                       int32_t show) override {
    return starter_.ShellExecute(operation, file, parameters, directory, show);
  }
  void SendKeys(const KeystrokePlan& plan, bool wait) override;

  // What a Windows program a script starts stands for here: "notepad.exe
  // FILE", "explorer.exe FOLDER" and "iexplore.exe URL" open their argument
  // with the user's own program; none for anything else.
  static std::optional<std::string> MappedDocument(const std::string& command_line);

 private:
  ShellPort& starter_;
  Trace& trace_;
};

}  // namespace zarn
