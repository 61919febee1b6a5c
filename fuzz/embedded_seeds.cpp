// Writes the embedded-script search's seeds: a program image with a script
// appended, one whose marker straddles the first search window, one with a
// NUL ending the script, and one without a script.

#include <string>

#include "FuzzSupport.h"
#include "core/shell/EmbeddedScript.h"

int main(int argc, char** argv) {
  using namespace zarn;
  return fuzz::WriteSeeds(argc, argv, [](auto&& seed) {
    const std::string marker = EmbeddedScriptMarker();
    const std::string script = "[ZARN Script]\r\nVersion=1\r\n[Script]\r\nPip.Speak Hello\r\n";
    const std::string image = std::string(
                                  "\x7F"
                                  "ELF",
                                  4) +
                              std::string(200, '\0');
    seed(image + marker + script);
    // The first window is 10,240 bytes; the marker starts 5 bytes before its end.
    seed(std::string(static_cast<size_t>(kEmbeddedSearchWindow) - 5, 'x') + marker + script);
    seed(image + marker + script + std::string(1, '\0') + "tail");
    seed(image + marker.substr(0, marker.size() - 3) + script);  // a marker cut short
  });
}
