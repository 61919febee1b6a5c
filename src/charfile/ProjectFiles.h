#pragma once

// Internal: file access for character projects.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn::charfile {

// The whole file; throws CharFileError (missing, unreadable, too large).
std::vector<uint8_t> ReadProjectFile(const std::string& path);
// Writes the whole file; throws CharFileError.
void WriteProjectFile(const std::string& path, const std::vector<uint8_t>& bytes);
// A project's file name (backslashes, any letter case, as Windows allows)
// found below `folder`; nullopt when there is no such file.
std::optional<std::string> FindProjectFile(const std::string& folder, const std::string& name);

}  // namespace zarn::charfile
