// libFuzzer target over the .acd project reader: parse, write the result
// back as project text, parse that again. CharFileError is the expected
// outcome for bad input; what the writer wrote must always read back the
// same.

#include <cstddef>
#include <cstdint>
#include <string>

#include "charfile/AcdText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarn;
  charfile::AcdText parsed;
  try {
    parsed =
        charfile::ParseAcd(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.acd");
  } catch (const CharFileError&) {
    return 0;
  }
  // Stand-in images and sounds, so every index the frames hold is written.
  CharacterDescription& d = parsed.description;
  charfile::AcdFileNames names;
  for (const auto& use : parsed.images) {
    names.images.push_back(use.name);
    d.images.emplace_back();
  }
  for (const auto& use : parsed.sounds) {
    names.sounds.push_back(use.name);
    d.sounds.emplace_back();
  }
  names.color_table = "ColorTable.bmp";
  std::vector<std::string> warnings;
  const std::string text = charfile::FormatAcd(d, names, warnings);
  try {
    charfile::AcdText again = charfile::ParseAcd(text, "again.acd");
    if (again.description.animations.size() != d.animations.size() ||
        again.description.info.states != d.info.states) {
      __builtin_trap();
    }
  } catch (const CharFileError&) {
    __builtin_trap();
  }
  return 0;
}
