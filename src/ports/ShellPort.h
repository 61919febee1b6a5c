#pragma once

#include <cstdint>
#include <string>

#include "base/Keystrokes.h"

namespace zarn {

// Show states a started program or opened document is asked for.
inline constexpr int32_t kShowNormal = 1;

// Results of ShellExecute at or below 32 are failures.
inline constexpr int32_t kShellExecuteFileNotFound = 2;
inline constexpr int32_t kShellExecuteNoAssociation = 31;
inline constexpr int32_t kShellExecuteSuccessMinimum = 33;

// The shell: starting programs, opening documents, folders and addresses
// with their associated application, and typing keystrokes into the
// active window.
class ShellPort {
 public:
  virtual ~ShellPort() = default;

  // Starts the program a whole command line names, with a normal window
  // that gets the focus, and returns its process id without waiting for it.
  // Throws VbError 53 "File not found" when no program can be started.
  virtual int32_t StartProgram(const std::string& command_line) = 0;

  // Opens `file` with its associated application; an empty operation is
  // the default action. Returns above 32 on success, 2 when the file does
  // not exist, 31 when nothing can open it. Never waits.
  virtual int32_t ShellExecute(const std::string& operation, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               int32_t show) = 0;

  // Types a checked plan into the active window; with `wait`, returns when
  // the keys have been processed.
  virtual void SendKeys(const KeystrokePlan& plan, bool wait) = 0;
};

}  // namespace zarn
