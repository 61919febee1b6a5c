#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zarn {

// What a Windows script means by %TEMP%, %TMP%, %USERPROFILE% and %APPDATA%
// on Linux: the temp folder (as given, ending with a separator, without
// it), the home folder and the XDG config folder. Other names (WINDIR,
// SystemRoot) have no counterpart and get none.
std::optional<std::string> WindowsNameValue(const std::string& name, const std::string& temp_path);

// Adds "NAME=value" for each of those names the entries do not define.
void AddWindowsNames(std::vector<std::string>& entries, const std::string& temp_path);

}  // namespace zarn
