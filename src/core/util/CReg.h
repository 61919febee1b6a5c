#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/util/ProfileDocument.h"

namespace zarn {

namespace bErrorTrap {
class Trap;
}

// Profile (INI) reading and a few conversions of setting texts. Keeps the
// files it parsed, by path, size and modification time, so reading every
// key of a file stays linear.
class CReg {
 public:
  explicit CReg(bErrorTrap::Trap& errors) : errors_(errors) {}

  // The key's value in the section, or the default when the file, the
  // section or the key is absent; a present but empty value gives empty
  // text. With no key: the section's key names, each followed by a NUL.
  // At most 4,095 characters.
  std::string GetProfile(const std::string& psProfile, const std::string& psSection,
                         const std::optional<std::string>& pvKey,
                         const std::optional<std::string>& pvDefault);
  // Every line of every section of that name, joined with CR LF, ending with
  // one CR LF (empty text when there are none).
  std::string GetProfileSection(const std::string& psProfile, const std::string& psSection);

  // "1" when the number at the start of the text is above 0, else "0".
  static std::string ZeroOne(std::string_view text);
  // The bound when the number at the start lies outside, else the text.
  static std::string Range(std::string_view text, int32_t piRangeLow, int32_t piRangeHigh);
  // "1", "TRUE", "YES", "ON" or "-1" in any letter case.
  static bool TrueFalse(std::string_view text);

 private:
  std::optional<std::string> ProfilePath(const std::string& psProfile);

  bErrorTrap::Trap& errors_;
  ProfileCache profiles_;
  // The loader asks for the same file once per key.
  std::string last_asked_, last_found_;
};

}  // namespace zarn
