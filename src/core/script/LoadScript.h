#pragma once

#include <string>

namespace zarn {

struct Program;

// Reads a script file into the script document, loads its characters and,
// with play set, starts its main script. False when the file is not a
// script, a character cannot be loaded, or a URL cannot be downloaded.
bool LoadScript(Program& program, const std::string& path, bool play);

// Downloads a script and loads the local copy, which is removed at exit;
// false as LoadScript, or when the download fails. Provided by the
// resource-path module.
bool LoadScriptFromUrl(Program& program, const std::string& url, bool play);

}  // namespace zarn
