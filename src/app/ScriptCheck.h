#pragma once

#include <string>
#include <vector>

namespace zarn {

// Something in a script that would do nothing or fail when played.
struct CheckFinding {
  int line = 0;  // 1-based; 0 for the file as a whole
  std::string message;
};

// Reads a script the way the player does and reports, line by line, what
// the player would skip or fail at: lines that match no statement,
// characters that are not declared or do not load, unknown animations,
// files that do not resolve, bookmarks and commands without scripts,
// malformed coordinates and keystrokes. Addresses are not fetched.
std::vector<CheckFinding> CheckScript(const std::string& path);

// "path:line: message" lines, or a JSON object for editors.
std::string FormatFindings(const std::string& path, const std::vector<CheckFinding>& findings,
                           bool json);

}  // namespace zarn
