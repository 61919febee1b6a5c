// libFuzzer target over the search for a script appended to the program:
// any bytes as the executable. The windowed search must find the same first
// marker a plain search of the whole file finds, and the script must be
// what follows it up to the first NUL.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "base/VbError.h"
#include "core/shell/EmbeddedScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarn;
  using fuzz::Check;
  const std::string bytes(fuzz::AsText(data, size));
  const std::string marker = EmbeddedScriptMarker();
  const size_t at = bytes.find(marker);

  std::istringstream file(bytes);
  const auto found = FindEmbeddedScriptMarker(file);
  if (at == std::string::npos) {
    Check(!found.has_value(), "a marker found where there is none");
  } else {
    Check(found.has_value() && *found == static_cast<int64_t>(at), "not the first marker");
  }

  std::istringstream again(bytes);
  std::string script;
  try {
    script = ReadEmbeddedScript(again);
  } catch (const VbError&) {
    fuzz::Finding("a short file is refused");
  }
  std::string expected;
  if (at != std::string::npos) {
    expected = bytes.substr(at + marker.size());
    expected = expected.substr(0, expected.find('\0'));
  }
  Check(script == expected, "the script is not what follows the marker");
  return 0;
}
