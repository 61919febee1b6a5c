#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

class CharacterServicePort;

enum class CoordinateProperty { kLeft, kTop, kWidth, kHeight };

// Reads a loaded character's live coordinate by name; throws when it cannot.
using CoordinateReader = std::function<int32_t(const std::string& name, CoordinateProperty)>;

// Reads coordinates from the character service, the character's id being
// its name in the character table.
CoordinateReader ServiceCoordinates(const CharacterServicePort& service);

// Replaces Name.Left, Name.Top, Name.Width and Name.Height (ignoring case)
// for every name in table order by the live value, then evaluates the
// arithmetic. Every failure is absorbed: an unreadable coordinate keeps its
// name, and the expression then evaluates to 0; `problem`, when given, then
// says what was wrong.
double EvaluateCoordinate(std::string_view text, const std::vector<std::string>& character_names,
                          const CoordinateReader& read, std::string* problem = nullptr);

}  // namespace zarn
