#pragma once

// --unpack-character and --make-character: characters as editor projects.

#include <string>

namespace zarn {

// Both print what went wrong (and any warnings) on stderr; return the exit
// status.
int UnpackCharacter(const std::string& character_file, const std::string& folder);
int MakeCharacter(const std::string& project, const std::string& output);

}  // namespace zarn
