#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace zarn {

struct Program;

// Bytes read per search window of a self-running copy.
inline constexpr int64_t kEmbeddedSearchWindow = 10240;

// The line between the program image and an appended script. Built at run
// time: the program's own image must not hold it as single-byte text, or
// the search would stop inside the image.
std::string EmbeddedScriptMarker();

// Offset of the first marker in `file`, searched window by window; none
// when there is none.
std::optional<int64_t> FindEmbeddedScriptMarker(std::istream& file);

// The script behind the first marker, up to the end of the file or its
// first NUL; empty when there is none. Throws VbError 7 for a tail too long
// to be a script.
std::string ReadEmbeddedScript(std::istream& file);

// Plays the script appended to the program's own executable (program.ExePath)
// through a temporary file; false when there is none or it does not start.
bool ExtractEmbeddedScript(Program& program);

// The temporary folder, ending with a separator.
std::string GetTempFolder(Program& program);

}  // namespace zarn
