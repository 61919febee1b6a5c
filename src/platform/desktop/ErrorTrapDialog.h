#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "ports/ErrorDialogPort.h"

namespace zarn {

// The report dialog laid out from the core's control table (twips / 15 =
// pixels); its buttons call `actions` (may be null). Close Program ends it
// with kCloseProgramResult.
inline constexpr int kCloseProgramResult = 2;
std::unique_ptr<QDialog> MakeErrorTrapDialog(const std::string& caption, const std::string& text,
                                             ErrorDialogActions* actions);

// Shows it modally and gives the user's choice.
ErrorDialogPort::Choice ShowErrorTrapDialog(const std::string& caption, const std::string& text,
                                            ErrorDialogActions* actions);

}  // namespace zarn
