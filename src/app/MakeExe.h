#pragma once

#include <ostream>
#include <string>

namespace zarn {

// Writes a self-running copy of `executable` at `output`: the program image,
// the marker line and the script, with the run bit set. Refuses names the
// copy would not play under. Returns the exit code; messages go to `errors`.
int MakeExe(const std::string& script, const std::string& output, std::ostream& errors,
            const std::string& executable = "/proc/self/exe");

}  // namespace zarn
