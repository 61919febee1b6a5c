// Writes the picture probe's seeds: one small picture of each format it
// recognises.

#include <string>

#include "FuzzSupport.h"
#include "base/Crc32.h"
#include "support/mci_test_support.h"

namespace {

using namespace zarn;
using namespace zarn::testing_media;

Bytes Bmp(uint32_t header_size) {
  Bytes b;
  PutTag(b, "BM");
  PutLe32(b, 14 + header_size + 16);
  PutLe32(b, 0);
  PutLe32(b, 14 + header_size);
  PutLe32(b, header_size);
  if (header_size == 12) {
    for (uint32_t v : {2u, 2u, 1u, 8u}) PutLe16(b, v);
  } else {
    PutLe32(b, 2);
    PutLe32(b, static_cast<uint32_t>(-2));  // top-down
    PutLe16(b, 1);
    PutLe16(b, 24);
  }
  b.resize(14 + header_size + 16, 0);
  return b;
}

Bytes Gif() {
  return {'G', 'I', 'F', '8', '9',  'a',  2, 0,    2,    0,    0x80, 0,    0,    0, 0,
          0,   255, 255, 255, 0x21, 0xF9, 4, 0,    0,    0,    0,    0,    0x2C, 0, 0,
          0,   0,   2,   0,   2,    0,    0, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
}

Bytes Jpeg() {
  return {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x4A, 0x46, 0xFF, 0xFF, 0xC0, 0x00,
          0x0B, 0x08, 0x00, 0x10, 0x00, 0x20, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xDA,
          0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0xFF, 0xD9};
}

void PutPngChunk(Bytes& b, std::string_view type, const Bytes& data) {
  PutBe32(b, static_cast<uint32_t>(data.size()));
  std::string crc_input(type);
  crc_input.append(data.begin(), data.end());
  PutTag(b, type);
  b.insert(b.end(), data.begin(), data.end());
  PutBe32(b, Crc32(crc_input));
}

Bytes Png() {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  PutBe32(ihdr, 3);
  PutBe32(ihdr, 5);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  PutPngChunk(b, "IHDR", ihdr);
  PutPngChunk(b, "tEXt", Bytes{'a', 0, 'b'});
  PutPngChunk(b, "IDAT", Bytes(10, 0));
  PutPngChunk(b, "IEND", {});
  return b;
}

Bytes Icon(uint16_t type) {
  Bytes b;
  PutLe16(b, 0);
  PutLe16(b, type);
  PutLe16(b, 1);
  b.insert(b.end(), {16, 0, 0, 0});
  PutLe32(b, 0x00200001);
  PutLe32(b, 40 + 64);
  PutLe32(b, 22);
  PutLe32(b, 40);
  b.resize(22 + 40 + 64, 0);
  return b;
}

Bytes PlaceableMetafile() {
  Bytes b;
  PutLe32(b, 0x9AC6CDD7u);
  for (uint32_t v : {0u, 0u, 0u, 1440u, 720u, 1440u}) PutLe16(b, v);
  PutLe32(b, 0);
  PutLe16(b, 0);
  PutLe16(b, 1);
  PutLe16(b, 9);
  b.resize(60, 0);
  return b;
}

Bytes EnhancedMetafile() {
  Bytes b;
  PutLe32(b, 1);
  PutLe32(b, 88);
  for (int i = 0; i < 4; ++i) PutLe32(b, 0);
  for (uint32_t v : {0u, 0u, 2540u, 1270u}) PutLe32(b, v);
  PutTag(b, " EMF");
  b.resize(88, 0);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::WriteSeeds(argc, argv, [](auto&& seed) {
    for (const Bytes& b : {Bmp(12), Bmp(40), Gif(), Jpeg(), Png(), Icon(1), Icon(2),
                           PlaceableMetafile(), EnhancedMetafile()}) {
      seed(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    }
  });
}
