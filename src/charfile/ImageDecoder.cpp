#include <cstring>
#include <string>

#include "charfile/CharacterSource.h"
#include "charfile/Decompressor.h"

namespace zarn {
namespace charfile {
namespace {

constexpr size_t kMaxRegionBytes = 64u << 20;

size_t Stride(int width) { return (static_cast<size_t>(width) + 3) & ~size_t{3}; }

DecodedImage DecodeAcsRecord(const CharacterFile& file, const uint8_t* data, size_t size,
                             bool with_region) {
  DecodedImage image;
  ByteCursor c(data, size, "image record");
  // A record of flag 0 (or too short for a header) is a legitimate empty image.
  if (size < 10 || c.U8("image flag") == 0) return image;
  int width = c.U16("image width");
  int height = c.U16("image height");
  bool compressed = c.U8("compression flag") != 0;
  uint32_t data_size = c.U32("pixel data size");
  const uint8_t* pixels = c.Take(data_size, "pixel data");
  if (width > kMaxImageSide || height > kMaxImageSide) {
    c.Corrupt("image size " + std::to_string(width) + " x " + std::to_string(height) +
              " is beyond " + std::to_string(kMaxImageSide) + " x " +
              std::to_string(kMaxImageSide));
  }
  size_t expected = Stride(width) * static_cast<size_t>(height);
  std::vector<uint8_t> unpacked;
  const uint8_t* bottom_up = pixels;
  if (compressed) {
    unpacked = Decompress(pixels, data_size, expected);
    bottom_up = unpacked.data();
  } else if (data_size < expected) {
    c.Corrupt("raw pixel data of " + std::to_string(data_size) + " bytes, " +
              std::to_string(expected) + " needed");
  }
  FillPixels(file, bottom_up, width, height, image);

  if (!with_region || c.Remaining() < 8) return image;
  uint32_t packed_size = c.U32("region compressed size");
  uint32_t region_size = c.U32("region size");
  if (region_size == 0) return image;
  if (region_size > kMaxRegionBytes) {
    c.Corrupt("region of " + std::to_string(region_size) + " bytes is implausible");
  }
  if (packed_size != 0) {
    const uint8_t* packed = c.Take(packed_size, "region data");
    std::vector<uint8_t> region = Decompress(packed, packed_size, region_size);
    image.region = ParseRegion(region.data(), region.size());
  } else {
    image.region = ParseRegion(c.Take(region_size, "region data"), region_size);
  }
  return image;
}

// Unverified layout (no sample): u32 pixel byte count (0 = empty), u8 unknown,
// the pixels at the character's frame size, then a raw region block.
DecodedImage DecodeAcaRecord(const CharacterFile& file, const uint8_t* data, size_t size,
                             bool with_region) {
  DecodedImage image;
  ByteCursor c(data, size, "animation-file image");
  uint32_t pixel_bytes = c.U32("image size");
  if (pixel_bytes == 0) return image;
  c.Skip(1, "image flag");
  size_t expected = Stride(file.Width()) * static_cast<size_t>(file.Height());
  if (pixel_bytes < expected) {
    c.Corrupt("image of " + std::to_string(pixel_bytes) + " bytes, " + std::to_string(expected) +
              " needed for the frame size");
  }
  const uint8_t* pixels = c.Take(pixel_bytes, "image pixels");
  FillPixels(file, pixels, file.Width(), file.Height(), image);
  if (with_region) {
    uint32_t region_size = c.U32("region size");
    if (region_size != 0) image.region = ParseRegion(c.Take(region_size, "region"), region_size);
  }
  return image;
}

// Unverified: .aca overlay pixels, taken as bottom-up rows, padded to 4
// bytes when the size says so.
DecodedImage DecodeRawPixels(const CharacterFile& file, const uint8_t* data, size_t size, int width,
                             int height) {
  DecodedImage image;
  size_t padded = Stride(width) * static_cast<size_t>(height);
  if (size >= padded) {
    FillPixels(file, data, width, height, image);
    return image;
  }
  std::vector<uint8_t> rows(padded);
  for (int y = 0; y < height; ++y) {
    std::memcpy(rows.data() + Stride(width) * y, data + static_cast<size_t>(width) * y, width);
  }
  FillPixels(file, rows.data(), width, height, image);
  return image;
}

}  // namespace

void FillPixels(const CharacterFile& file, const uint8_t* bottom_up, int width, int height,
                DecodedImage& image) {
  image.width = width;
  image.height = height;
  size_t w = static_cast<size_t>(width);
  size_t count = w * static_cast<size_t>(height);
  image.indices.resize(count);
  image.rgba.resize(count * 4);
  if (count == 0) return;
  uint32_t lut[256];
  const auto& palette = file.Palette();
  for (size_t i = 0; i < 256; ++i) {
    if (file.IsTransparent(static_cast<uint8_t>(i))) {
      lut[i] = 0;
    } else {
      const Color& c = palette[i];
      uint8_t bytes[4] = {c.r, c.g, c.b, 255};
      std::memcpy(&lut[i], bytes, 4);
    }
  }
  size_t stride = Stride(width);
  uint8_t* indices = image.indices.data();
  uint8_t* rgba = image.rgba.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bottom_up + stride * static_cast<size_t>(height - 1 - y);
    uint8_t* out_indices = indices + w * static_cast<size_t>(y);
    uint8_t* out_rgba = rgba + w * 4 * static_cast<size_t>(y);
    std::memcpy(out_indices, row, w);
    for (size_t x = 0; x < w; ++x) std::memcpy(out_rgba + 4 * x, &lut[row[x]], 4);
  }
}

std::vector<RegionRect> ParseRegion(const uint8_t* data, size_t size) {
  ByteCursor c(data, size, "image region");
  uint32_t header_size = c.U32("region header size");
  c.Skip(4, "region type");
  uint32_t count = c.U32("region rectangle count");
  if (header_size < 32 || header_size > size) {
    c.Corrupt("region header size " + std::to_string(header_size) + " is not usable");
  }
  ByteCursor rects(data + header_size, size - header_size, "image region rectangles");
  rects.CheckCount(count, 16, "region rectangles");
  std::vector<RegionRect> out(count);
  for (auto& r : out) {
    r.left = rects.I32("rectangle");
    r.top = rects.I32("rectangle");
    r.right = rects.I32("rectangle");
    r.bottom = rects.I32("rectangle");
  }
  return out;
}

}  // namespace charfile

DecodedImage CharacterFile::DecodeImage(size_t index, bool with_region) const {
  if (index >= ImageCount()) {
    throw CharFileError("image " + std::to_string(index) + " does not exist (the character has " +
                        std::to_string(ImageCount()) + ")");
  }
  const auto& ref = source_->images[index];
  const uint8_t* data = source_->buffers[ref.range.buffer].data() + ref.range.offset;
  try {
    if (ref.kind == Source::ImageKind::kRawPixels) {
      return charfile::DecodeRawPixels(*this, data, ref.range.length, ref.width, ref.height);
    }
    if (ref.kind == Source::ImageKind::kAcaRecord) {
      return charfile::DecodeAcaRecord(*this, data, ref.range.length, with_region);
    }
    return charfile::DecodeAcsRecord(*this, data, ref.range.length, with_region);
  } catch (const CharFileError& e) {
    throw CharFileError("image " + std::to_string(index) + ": " + e.what());
  }
}

}  // namespace zarn
