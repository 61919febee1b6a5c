#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

// The character folders, in search order: $ZARN_CHARACTERS (colon-separated),
// then zarnplay/characters in $XDG_DATA_HOME (~/.local/share) and in each of
// $XDG_DATA_DIRS (/usr/local/share:/usr/share), and always /usr/share.
// `get_env` reads an environment variable ("" when unset).
std::vector<std::string> CharacterFolders(
    const std::function<std::string(const std::string&)>& get_env);

// Finds a character file: the path as given (Windows spelling allowed),
// then each folder with the path's file name. Letter case is ignored
// component by component where the exact name does not exist.
std::optional<std::string> FindCharacterFile(const std::string& path,
                                             const std::vector<std::string>& folders);

}  // namespace zarn
