#pragma once

// Internal: the value syntax of .acd projects (numbers, colours, GUIDs,
// quoted text). Each parser returns nullopt for a value it cannot read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "charfile/CharacterFile.h"

namespace zarn::charfile {

std::string_view TrimBlanks(std::string_view text);
// The text between the first and the last double quote, else the value
// as it stands.
std::string_view Unquoted(std::string_view value);
// Decimal, or hexadecimal after 0x.
std::optional<int64_t> ParseInteger(std::string_view value);
// 00BBGGRR, as the editor writes colours.
std::optional<Color> ParseColor(std::string_view value);
std::string FormatColor(const Color& c);
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, braces optional.
std::optional<Guid> ParseGuid(std::string_view value);

}  // namespace zarn::charfile
