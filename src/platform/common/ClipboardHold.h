#pragma once

namespace zarn {

// On X11 the clipboard's text lives in the program that put it there. A
// program that ends while it owns some hands it to a small copy of itself,
// which serves it until another program takes the clipboard (a clipboard
// manager, the next copy) or the time below runs out.
inline constexpr char kClipboardHolderVariable[] = "ZARN_CLIPBOARD_HOLDER";

}  // namespace zarn
