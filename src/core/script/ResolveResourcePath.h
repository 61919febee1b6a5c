#pragma once

#include <string>

namespace zarn {

struct Program;

namespace bErrorTrap {
class Trap;
}

// Turns a script's file reference into a local path: the script folder
// first, then the reference's own folder, the current folder, and for URLs a
// download into a temporary file (whose name goes to psTempName). The
// reference comes back unchanged when nothing is found.
std::string ResolveResourcePath(Program& program, const std::string& psReference,
                                std::string& psTempName);

// http://, https://, ftp:// or file:// in any letter case.
bool IsDownloadAddress(const std::string& reference);

// http://, https:// or ftp:// in any letter case: what comes from elsewhere.
bool IsNetworkAddress(const std::string& reference);

// The path up to and including its last separator; empty when none.
std::string FolderOfPath(bErrorTrap::Trap& errors, const std::string& psPath);

}  // namespace zarn
