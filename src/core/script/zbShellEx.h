#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

struct Program;

// Programs, keystrokes and other windows, as script statements ask for them.
namespace zbShellEx {

// Commands a script may never run, each between two "|", in upper case.
inline constexpr std::string_view kDeniedCommands =
    "|COMMAND.COM|MS-DOS|CMD.EXE|COMMAND PROMPT|DELTREE.EXE|FORMAT.COM|FORMAT.EXE|REPLACE.EXE|"
    "RESTORE.EXE|";

// True only when the whole trimmed command equals an entry, in any letter
// case: "cmd.exe" is refused, "cmd.exe /c dir" is not.
bool IsDeniedCommand(std::string_view psCommand);

// True when the statement may go ahead: always for local scripts; for a
// script from the network, as the program's policy says (asking the user,
// or refusing with a warning). `statement` is shown as written.
bool MayRunFromScript(Program& program, const std::string& statement);

// Starts a program with the whole command as its command line; when that is
// impossible, opens the document, folder or address the command names.
// Returns the shell-open result when the shell-open call was made, else 0.
// Handles its own failures with a message; the error dialog opens its web
// pages through it for that reason.
int32_t RunShellCommand(Program& program, const std::string& psCommand);
// Types keystrokes into the active window and waits until they are
// processed. A malformed text throws VbError 5 before anything is typed.
void SendKeys(Program& program, const std::string& psKeys);
// Posts the close message to the top-level window with exactly this title;
// does not wait. No such window: nothing happens.
void CloseWindowByTitle(Program& program, const std::string& psTitle);

}  // namespace zbShellEx
}  // namespace zarn
