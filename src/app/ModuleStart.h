#pragma once

#include <string>
#include <vector>

namespace zarn {

// Where the module program `module` is looked for: $ZARNPLAY_MODULE_DIR when
// set (nothing else then), else beside this program (a build folder), else in
// ../lib/zarnplay from it (an install).
std::vector<std::string> ModuleCandidates(const std::string& self_path, const char* module_dir,
                                          const std::string& module);

// The build option that puts `backend` into the module program.
std::string ModuleOption(const std::string& backend);

// Replaces this process with the module program, same arguments and
// environment. Returns only when it cannot: then it has said why on stderr,
// naming the package and the build option, and the result is the exit code.
int StartModule(const std::string& backend, const std::vector<std::string>& args);

}  // namespace zarn
