#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// Scripts name files the Windows way: `Sounds\Ding.WAV`, `C:\Agent\Pip.acs`.
// Both `\` and `/` separate folders. Lookup tries the path as given, then
// folder by folder without regard to letter case, as Windows would have
// found it. A drive-letter path never exists here.

// `\` turned into `/`.
std::string SlashPath(std::string_view path);

// True for `X:\...`, `X:/...` and a bare `X:`.
bool HasDriveLetter(std::string_view path);

// The real path when one exists. Otherwise the folders that do exist are
// resolved and the rest is kept as given, so a new file lands in the folder
// the script meant.
std::string ToLocalPath(std::string_view path);

// The real path, or nothing when no such file or folder exists.
std::optional<std::string> FindExisting(std::string_view path);

}  // namespace zarn
