#pragma once

#include <string>

#include "ports/ErrorDialogPort.h"

namespace zarn {

// Draws the error report and waits for the user's choice.
ErrorDialogPort::Choice ShowErrorTrapDialog(const std::string& caption, const std::string& report);

}  // namespace zarn
