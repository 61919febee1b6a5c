#pragma once

#include <string>

#include "platform/common/ClipboardHold.h"

namespace zarn {

inline constexpr int kClipboardHoldSeconds = 30 * 60;

// Starts the holder with `text`; false when it could not be started.
bool StartClipboardHolder(const std::string& text);

// The holder's whole life: the text from standard input, served for at
// most `seconds`.
int RunClipboardHolder(int seconds);

}  // namespace zarn
