#pragma once

// Builds .acs files from a plain description: used for the test characters
// and the bundled demo character.

#include <cstdint>
#include <string>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn {

struct ImageDescription {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;  // palette indices, top-down rows, width * height
  bool empty = false;            // write the one-byte "no image" record
  bool compress = true;          // false stores the pixels raw
  bool with_region = true;       // store the outline of the opaque pixels
};

struct CharacterDescription {
  // Everything of the character-info block. The voice/balloon style bits are
  // set from `voice.present` and `balloon.present`. A tray icon is written
  // from its two bitmaps (see MakeTrayIcon).
  CharacterInfo info;
  std::vector<ImageDescription> images;
  std::vector<std::vector<uint8_t>> sounds;  // complete RIFF/WAVE files
  std::vector<Animation> animations;         // names as the public (mixed-case) names
};

// Maps an RGBA picture (top-down, alpha < 128 = transparent) onto the
// description's palette, adding colours as needed, and appends it as a new
// image; returns its index. Throws CharFileError when the palette is full.
uint32_t AddRgbaImage(CharacterDescription& description, const uint8_t* rgba, int width,
                      int height);

// A tray icon from a top-down RGBA picture (at most 256 x 256): a 1-bpp
// mask bitmap and a 24-bpp colour bitmap.
TrayIcon MakeTrayIcon(const uint8_t* rgba, int width, int height);

// The bytes of the .acs file; throws CharFileError for a description that
// cannot be written (sizes out of range, too many entries).
std::vector<uint8_t> WriteCharacter(const CharacterDescription& description);
// Writes the file through a temporary file in the same folder, created
// exclusively, then renamed over `path`.
void WriteCharacterFile(const CharacterDescription& description, const std::string& path);

// The region (opaque outline) the writer stores for an image: one rectangle
// per run of non-transparent pixels per row.
std::vector<RegionRect> OutlineOf(const ImageDescription& image, const CharacterInfo& info);

}  // namespace zarn
