#include "charengine/CharacterLookup.h"

#include <algorithm>

#include "base/WinPath.h"

namespace zarn {

std::vector<std::string> CharacterFolders(
    const std::function<std::string(const std::string&)>& get_env) {
  std::vector<std::string> folders;
  // Like PATH, the variables may name several folders.
  auto add_list = [&folders](const std::string& list, const std::string& below) {
    size_t start = 0;
    while (!list.empty()) {
      const size_t colon = list.find(':', start);
      std::string folder = list.substr(start, colon - start);
      // Relative entries are invalid in XDG lists; ignoring them keeps a
      // stray "." from searching the current folder.
      if (!folder.empty() && (below.empty() || folder.front() == '/')) {
        folder += below;
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
          folders.push_back(std::move(folder));
        }
      }
      if (colon == std::string::npos) break;
      start = colon + 1;
    }
  };
  const std::string kBelow = "/zarnplay/characters";
  add_list(get_env("ZARN_CHARACTERS"), "");
  if (std::string data_home = get_env("XDG_DATA_HOME"); !data_home.empty() && data_home[0] == '/') {
    add_list(data_home, kBelow);
  } else if (std::string home = get_env("HOME"); !home.empty()) {
    add_list(home + "/.local/share", kBelow);
  }
  const std::string data_dirs = get_env("XDG_DATA_DIRS");
  add_list(data_dirs.empty() ? "/usr/local/share:/usr/share" : data_dirs, kBelow);
  // Where our package puts them, whatever the session says.
  add_list("/usr/share", kBelow);
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
