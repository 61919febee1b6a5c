#pragma once

// Character projects: the character editor's text description (.acd) with
// its bitmaps (Images/) and wave files (Sounds/).

#include <string>
#include <vector>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterWriter.h"

namespace zarn {

// Reads a project and everything it names. Throws CharFileError naming the
// file, the line and what is wrong; problems that do not stop the build
// land in `warnings`.
CharacterDescription ReadCharacterProject(const std::string& acd_path,
                                          std::vector<std::string>& warnings);

// The project built in memory and opened as a character file.
CharacterFile OpenCharacterProject(const std::string& acd_path, std::vector<std::string>& warnings);

// True for a name ending in .acd (any letter case).
bool IsCharacterProjectPath(const std::string& path);

// Everything of a loaded character, its images decoded to palette indices.
// An image that cannot be decoded becomes a transparent pixel (a warning).
CharacterDescription DescriptionOf(const CharacterFile& file, std::vector<std::string>& warnings);

// Writes `description` as a project into `folder`, which must not exist or
// be empty. Returns the path of the .acd file.
std::string WriteCharacterProject(const CharacterDescription& description,
                                  const std::string& folder, std::vector<std::string>& warnings);

}  // namespace zarn
