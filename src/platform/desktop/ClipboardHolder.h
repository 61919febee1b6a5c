#pragma once

#include <string>

namespace zarn {

// On X11 the clipboard's text lives in the program that put it there. A
// program that ends while it owns some hands it to a small copy of itself,
// which serves it until another program takes the clipboard (a clipboard
// manager, the next copy) or the time below runs out.
inline constexpr char kClipboardHolderVariable[] = "ZARN_CLIPBOARD_HOLDER";
inline constexpr int kClipboardHoldSeconds = 30 * 60;

// Starts the holder with `text`; false when it could not be started.
bool StartClipboardHolder(const std::string& text);

// The holder's whole life: the text from standard input, served for at
// most `seconds`.
int RunClipboardHolder(int seconds);

}  // namespace zarn
