#pragma once

// The picture files of a character project: Windows bitmaps (8-bit, with
// their palette), PNG pictures and icons.

#include <cstdint>
#include <string>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn::charfile {

struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<Color> palette;
  std::vector<uint8_t> indices;  // top-down rows, width * height
};

// An 8-bit bitmap file with exactly `palette` as its colour table.
std::vector<uint8_t> EncodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<Color>& palette);

// Reads an 8-bit bitmap, uncompressed or RLE8. Throws CharFileError saying
// what does not fit (another colour depth, a damaged file).
IndexedPicture DecodeBmp8(const std::vector<uint8_t>& bytes);

// True when the bytes start like a PNG file.
bool LooksLikePng(const std::vector<uint8_t>& bytes);

// A PNG picture as top-down RGBA; throws CharFileError with libpng's reason.
void DecodePngRgba(const std::vector<uint8_t>& bytes, int& width, int& height,
                   std::vector<uint8_t>& rgba);

// A tray icon as an .ico file and back (one picture: colour bitmap + mask).
std::vector<uint8_t> EncodeIco(const TrayIcon& icon);
TrayIcon DecodeIco(const std::vector<uint8_t>& bytes);

}  // namespace zarn::charfile
