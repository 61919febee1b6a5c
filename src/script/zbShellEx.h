#pragma once

#include <string>

namespace zarn {

struct Program;

// Programs, keystrokes and other windows, as script statements ask for them.
namespace zbShellEx {

// Starts a program or opens a document, folder or address.
void RunShellCommand(Program& program, const std::string& psCommand);
// Types keystrokes into the active window and waits until they are processed.
void SendKeys(Program& program, const std::string& psKeys);
// Asks the window whose title matches to close.
void CloseWindowByTitle(Program& program, const std::string& psTitle);

}  // namespace zbShellEx
}  // namespace zarn
