#pragma once

#include <cstdint>
#include <string>

#include "backend/Trace.h"
#include "ports/ShellPort.h"

namespace zarn {

// The shell on Linux without a display of its own: programs really start
// (detached, nothing waits for them), documents open through xdg-open or
// gio, keystrokes only go to the trace. In dry-run mode every action is
// checked and traced but nothing is started.
class ProgramStarter : public ShellPort {
 public:
  ProgramStarter(Trace& trace, bool dry_run);

  int32_t StartProgram(const std::string& command_line) override;
  int32_t ShellExecute(const std::string& operation, const std::string& file,
                       const std::string& parameters, const std::string& directory,
                       int32_t show) override;
  void SendKeys(const KeystrokePlan& plan, bool wait) override;

 private:
  int32_t StartOrThrow(const std::string& command_line);
  int32_t Open(const std::string& operation, const std::string& file, const std::string& directory);

  Trace& trace_;
  bool dry_run_;
};

}  // namespace zarn
