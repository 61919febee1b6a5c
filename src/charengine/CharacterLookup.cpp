#include "charengine/CharacterLookup.h"

#include "base/WinPath.h"

namespace zarn {

std::vector<std::string> CharacterFolders(
    const std::function<std::string(const std::string&)>& get_env) {
  std::vector<std::string> folders;
  // Like PATH, the variable may name several folders.
  const std::string own = get_env("ZARN_CHARACTERS");
  size_t start = 0;
  while (start <= own.size() && !own.empty()) {
    const size_t colon = own.find(':', start);
    std::string folder = own.substr(start, colon - start);
    if (!folder.empty()) folders.push_back(std::move(folder));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (std::string home = get_env("HOME"); !home.empty()) {
    folders.push_back(home + "/.local/share/zarnplay/characters");
  }
  folders.push_back("/usr/share/zarnplay/characters");
  return folders;
}

std::optional<std::string> FindCharacterFile(const std::string& path,
                                             const std::vector<std::string>& folders) {
  if (path.empty()) return std::nullopt;
  if (auto found = FindExisting(path)) return found;
  const std::string slashed = SlashPath(path);
  const size_t slash = slashed.find_last_of('/');
  const std::string name = slash == std::string::npos ? slashed : slashed.substr(slash + 1);
  if (name.empty()) return std::nullopt;
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    if (auto found = FindExisting(folder + "/" + name)) return found;
  }
  return std::nullopt;
}

}  // namespace zarn
