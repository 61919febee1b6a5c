#pragma once

// Internal: the text of a .acd project, read and written without touching
// the files it names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/CharacterWriter.h"

namespace zarn::charfile {

struct AcdFileUse {
  std::string name;  // as written in the project (backslashes, any case)
  int line = 0;      // where it is first named
};

struct AcdText {
  // Images and sounds stay empty: frame and overlay indices point into the
  // lists below, in the order the files are first named.
  CharacterDescription description;
  std::vector<AcdFileUse> images;
  std::vector<AcdFileUse> sounds;
  std::optional<AcdFileUse> color_table;
  std::optional<AcdFileUse> icon;
  std::vector<std::string> warnings;
};

// Throws CharFileError "<file_name>:<line>: <what is wrong>".
AcdText ParseAcd(std::string_view text, const std::string& file_name);

struct AcdFileNames {
  std::vector<std::string> images;  // one per description image
  std::vector<std::string> sounds;  // one per description sound
  std::string color_table;
  std::string icon;  // empty: no tray icon
};

// The project text (CR LF line ends) for `d` with its files named as given.
std::string FormatAcd(const CharacterDescription& d, const AcdFileNames& names,
                      std::vector<std::string>& warnings);

// The spellings both directions share.
std::string_view MouthName(uint8_t shape);  // empty for an unknown shape
std::optional<uint8_t> MouthShape(std::string_view name);

struct StyleName {
  std::string_view name;
  uint32_t flag;
};
extern const StyleName kStyleNames[];
extern const size_t kStyleNameCount;

}  // namespace zarn::charfile
