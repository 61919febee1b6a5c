#pragma once

#include <string>

#include "ports/WindowSystemPort.h"

namespace zarn {

struct Program;

namespace bCloseAll {

// The class our main window registers under; other copies are recognised
// by it (and by the two classes of the program's older builds).
inline constexpr char kMainWindowClass[] = "ZARNPlayMain";

// Asks every other running copy to close, one after the other, each close
// handled before the walk goes on.
void CloseAllInstances(Program& program);

// The window's class name, or empty text.
std::string GetWindowClassName(Program& program, WindowId window);

// True for the title and class of another copy's main window.
bool IsInstanceMark(const std::string& title, const std::string& class_name);

}  // namespace bCloseAll
}  // namespace zarn
