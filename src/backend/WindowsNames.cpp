#include "backend/WindowsNames.h"

#include <cstdlib>

#include "base/VbString.h"

namespace zarn {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::optional<std::string> WindowsNameValue(const std::string& name, const std::string& temp_path) {
  const std::string upper = UCase(name);
  if (upper == "TEMP" || upper == "TMP") return WithoutTrailingSlash(temp_path);
  const std::string home = Env("HOME");
  if (upper == "USERPROFILE" && !home.empty()) return home;
  if (upper == "APPDATA") {
    const std::string config = Env("XDG_CONFIG_HOME");
    if (!config.empty()) return config;
    if (!home.empty()) return home + "/.config";
  }
  return std::nullopt;
}

void AddWindowsNames(std::vector<std::string>& entries, const std::string& temp_path) {
  for (const char* name : {"TEMP", "TMP", "USERPROFILE", "APPDATA"}) {
    const std::string prefix = std::string(name) + "=";
    bool defined = false;
    for (const std::string& entry : entries) {
      if (entry.size() >= prefix.size() && UCase(entry.substr(0, prefix.size())) == prefix) {
        defined = true;
        break;
      }
    }
    if (defined) continue;
    if (auto value = WindowsNameValue(name, temp_path)) entries.push_back(prefix + *value);
  }
}

}  // namespace zarn
