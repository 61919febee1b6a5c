#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// A wildcard pattern cut into its folder part (up to and including the last
// `\` or `/`, empty when there is none) and the name pattern after it.
struct WildcardPattern {
  std::string folder;
  std::string name;
};
WildcardPattern SplitWildcardPattern(std::string_view pattern);

// True when `name` matches `pattern`: `*` any run of characters, `?` one
// character, letter case ignored as on Windows; "*.*" matches every name.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// Names (without folder) of the files in `folder` that match `pattern`,
// hidden files included, folders left out. `folder` may be a Windows path
// and is found without regard to letter case; empty means the current
// folder. Sorted without regard to case, so a seeded pick is repeatable.
// A missing folder or an empty pattern lists nothing.
std::vector<std::string> ListMatchingFiles(std::string_view folder, std::string_view pattern);

}  // namespace zarn
