#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// A program found for a command line, and the arguments it is given.
struct ProgramCommand {
  std::string program;  // local path of the executable
  std::vector<std::string> arguments;
};

// The file and parameter text a shell-open call is given for a command.
struct ShellOpenRequest {
  std::string file;
  std::string parameters;
};

// Splits an argument text the way Windows programs split their command line:
// blanks separate, double quotes group, backslashes escape only quotes.
std::vector<std::string> SplitArguments(std::string_view text);

// The executable a script names, as a Windows or local path or a bare name
// searched on `search_path` (":"-separated). A trailing ".exe" is tried
// removed first, then as written; letter case is ignored when no exact
// match exists.
std::optional<std::string> FindProgram(std::string_view name, std::string_view search_path);

// Finds the program a whole command line starts, as a Windows program start
// did: a quoted first token names the program; otherwise ever longer
// prefixes up to each blank are tried. The rest becomes the arguments.
// Nothing when no program is found.
std::optional<ProgramCommand> ResolveCommandLine(std::string_view command_line,
                                                 std::string_view search_path);

// How a command that is not a program is cut into a file and parameters for
// the shell-open call: a quoted file, else the text up to the first blank.
ShellOpenRequest SplitFileAndParameters(std::string_view command);

}  // namespace zarn
