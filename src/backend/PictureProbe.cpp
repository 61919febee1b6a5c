#include "backend/PictureProbe.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/Crc32.h"

namespace zarn {
namespace {

using Result = PictureProbeResult;

Result Sized(PictureFormat format, int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return Result::Invalid("the picture's width or height is zero");
  if (width > kMaxPictureSide || height > kMaxPictureSide) {
    return Result::Invalid("the picture's size is implausibly large");
  }
  return Result::Valid({format, static_cast<int32_t>(width), static_cast<int32_t>(height)});
}

Result ProbeBitmap(ProbeSource& source) {
  uint8_t head[14 + 40] = {};
  if (!source.Read(0, std::span(head, 14 + 12)))
    return Result::Invalid("the bitmap header is cut short");
  const uint32_t pixels_at = ReadLe32(head + 10);
  const uint32_t header_size = ReadLe32(head + 14);
  int64_t width = 0, height = 0;
  uint16_t planes = 0, bits = 0;
  uint32_t compression = 0;
  if (header_size == 12) {
    width = ReadLe16(head + 18);
    height = ReadLe16(head + 20);
    planes = ReadLe16(head + 22);
    bits = ReadLe16(head + 24);
  } else if (header_size >= 40 && header_size <= 256) {
    if (!source.Read(0, head)) return Result::Invalid("the bitmap header is cut short");
    width = static_cast<int32_t>(ReadLe32(head + 18));
    height = static_cast<int32_t>(ReadLe32(head + 22));
    planes = ReadLe16(head + 26);
    bits = ReadLe16(head + 28);
    compression = ReadLe32(head + 30);
  } else {
    return Result::Invalid("the bitmap header has an unknown size");
  }
  height = std::llabs(height);  // negative: stored top-down
  if (planes != 1) return Result::Invalid("the bitmap does not have one plane");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return Result::Invalid("the bitmap has an unsupported number of bits per pixel");
  }
  const bool rle = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
  const bool plain =
      compression == 0 || ((compression == 3 || compression == 6) && (bits == 16 || bits == 32));
  if (!rle && !plain) return Result::Invalid("the bitmap's compression is not supported");
  if (pixels_at < 14 + header_size || pixels_at >= source.Size()) {
    return Result::Invalid("the bitmap's pixel data is missing");
  }
  Result sized = Sized(PictureFormat::kBitmap, width, height);
  if (sized && plain) {
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    if (stride * static_cast<uint64_t>(height) > source.Size() - pixels_at) {
      return Result::Invalid("the bitmap's pixel data is cut short");
    }
  }
  return sized;
}

// Skips GIF data sub-blocks (length byte, data) up to the empty one.
bool SkipSubBlocks(ProbeSource& source, uint64_t& offset) {
  for (;;) {
    uint8_t length;
    if (!source.Read(offset, std::span(&length, 1))) return false;
    offset += 1 + uint64_t{length};
    if (length == 0) return true;
  }
}

Result ProbeGif(ProbeSource& source) {
  uint8_t head[13];
  if (!source.Read(0, head)) return Result::Invalid("the GIF header is cut short");
  int64_t width = ReadLe16(head + 6), height = ReadLe16(head + 8);
  uint64_t offset = 13;
  if (head[10] & 0x80) offset += 3u << ((head[10] & 7) + 1);  // global colour table
  for (;;) {
    uint8_t kind;
    if (!source.Read(offset, std::span(&kind, 1))) return Result::Invalid("the GIF is cut short");
    ++offset;
    if (kind == 0x21) {  // extension: label, then sub-blocks
      ++offset;
      if (!SkipSubBlocks(source, offset)) return Result::Invalid("the GIF is cut short");
    } else if (kind == 0x2C) {
      uint8_t image[10];  // descriptor and, after any colour table, the code size
      if (!source.Read(offset, std::span(image, 9))) return Result::Invalid("the GIF is cut short");
      offset += 9;
      if (image[8] & 0x80) offset += 3u << ((image[8] & 7) + 1);
      if (!source.Read(offset, std::span(image + 9, 1)) || image[9] < 1 || image[9] > 11) {
        return Result::Invalid("the GIF's first image has no valid data");
      }
      ++offset;
      if (!SkipSubBlocks(source, offset) || offset > source.Size()) {
        return Result::Invalid("the GIF is cut short");
      }
      // A zero screen size leaves the first image to say how big it is.
      if (width == 0 || height == 0) {
        width = ReadLe16(image + 4);
        height = ReadLe16(image + 6);
      }
      return Sized(PictureFormat::kGif, width, height);
    } else {
      return Result::Invalid(kind == 0x3B ? "the GIF holds no image"
                                          : "the GIF has a corrupt block");
    }
  }
}

Result ProbeJpeg(ProbeSource& source) {
  uint64_t offset = 2;
  std::optional<Result> frame;
  for (;;) {
    uint8_t marker[2];
    if (!source.Read(offset, marker)) return Result::Invalid("the JPEG is cut short");
    if (marker[0] != 0xFF) return Result::Invalid("the JPEG has a corrupt segment");
    if (marker[1] == 0xFF) {  // fill byte
      ++offset;
      continue;
    }
    offset += 2;
    const uint8_t m = marker[1];
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // no length
    if (m == 0xD9 || m == 0xD8) return Result::Invalid("the JPEG ends before its image");
    uint8_t length_bytes[2];
    if (!source.Read(offset, length_bytes)) return Result::Invalid("the JPEG is cut short");
    const uint16_t length = ReadBe16(length_bytes);
    if (length < 2 || length > source.Size() - offset) {
      return Result::Invalid("a JPEG segment runs past the end of the file");
    }
    if (m == 0xDA) {
      if (!frame) return Result::Invalid("the JPEG has no frame header");
      return *frame;
    }
    const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
    if (sof && !frame) {
      if (m > 0xC2) return Result::Invalid("the JPEG uses a coding that is not supported");
      uint8_t sof_data[6];
      if (length < 8 || !source.Read(offset + 2, sof_data)) {
        return Result::Invalid("the JPEG frame header is too short");
      }
      if (sof_data[5] != 1 && sof_data[5] != 3 && sof_data[5] != 4) {
        return Result::Invalid("the JPEG has an unsupported number of colour components");
      }
      frame = Sized(PictureFormat::kJpeg, ReadBe16(sof_data + 3), ReadBe16(sof_data + 1));
      if (!*frame) return *frame;
    }
    offset += length;
  }
}

Result ProbePng(ProbeSource& source) {
  uint8_t ihdr[8 + 13 + 4];
  if (!source.Read(8, ihdr)) return Result::Invalid("the PNG header is cut short");
  if (ReadBe32(ihdr) != 13 || !HasTag(ihdr + 4, "IHDR")) {
    return Result::Invalid("the PNG does not start with its header chunk");
  }
  const std::string_view checked(reinterpret_cast<const char*>(ihdr + 4), 17);
  if (Crc32(checked) != ReadBe32(ihdr + 21)) return Result::Invalid("the PNG header is corrupt");
  const uint8_t depth = ihdr[16], colour = ihdr[17];
  const bool valid_depth =
      (colour == 0 && (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)) ||
      (colour == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8)) ||
      ((colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16));
  if (!valid_depth || ihdr[18] != 0 || ihdr[19] != 0 || ihdr[20] > 1) {
    return Result::Invalid("the PNG header has invalid settings");
  }
  // The image data must be there: walk the chunks to the first IDAT.
  uint64_t offset = 8 + sizeof ihdr;
  for (int count = 0; count < 100000; ++count) {
    uint8_t chunk[8];
    if (!source.Read(offset, chunk)) break;
    const uint32_t length = ReadBe32(chunk);
    if (length > 0x7FFFFFFFu || uint64_t{length} + 12 > source.Size() - offset) break;
    if (HasTag(chunk + 4, "IDAT")) {
      return Sized(PictureFormat::kPng, ReadBe32(ihdr + 8), ReadBe32(ihdr + 12));
    }
    if (HasTag(chunk + 4, "IEND")) break;
    offset += 12 + uint64_t{length};
  }
  return Result::Invalid("the PNG has no image data");
}

Result ProbeIcon(ProbeSource& source) {
  uint8_t head[6];
  if (!source.Read(0, head)) return Result::Invalid("the icon header is cut short");
  const uint16_t type = ReadLe16(head + 2), count = ReadLe16(head + 4);
  if (count == 0) return Result::Invalid("the icon file holds no images");
  std::optional<Result> first;
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t entry[16];
    if (!source.Read(6 + 16u * i, entry)) return Result::Invalid("the icon directory is cut short");
    const uint32_t bytes = ReadLe32(entry + 8), at = ReadLe32(entry + 12);
    if (at < 6 + 16u * count || bytes < 40 || bytes > source.Size() || at > source.Size() - bytes) {
      return Result::Invalid("an icon image lies outside the file");
    }
    if (i > 0) continue;
    uint8_t image[8];
    if (!source.Read(at, image)) return Result::Invalid("the icon image is cut short");
    const bool png = image[0] == 0x89 && HasTag(image + 1, "PNG\r");
    if (!png && ReadLe32(image) != 40)
      return Result::Invalid("the icon image has an unknown header");
    first = Sized(type == 1 ? PictureFormat::kIcon : PictureFormat::kCursor,
                  entry[0] == 0 ? 256 : entry[0], entry[1] == 0 ? 256 : entry[1]);
  }
  return *first;
}

int64_t PixelsAt96Dpi(int64_t length, int64_t units_per_inch) {
  return static_cast<int64_t>(std::llround(static_cast<double>(length) * 96.0 / units_per_inch));
}

Result ProbeEnhancedMetafile(ProbeSource& source) {
  uint8_t head[44];
  if (!source.Read(0, head)) return Result::Invalid("the metafile header is cut short");
  // The frame is in hundredths of a millimetre: 2540 to the inch.
  const int64_t frame_w = static_cast<int64_t>(static_cast<int32_t>(ReadLe32(head + 32))) -
                          static_cast<int32_t>(ReadLe32(head + 24));
  const int64_t frame_h = static_cast<int64_t>(static_cast<int32_t>(ReadLe32(head + 36))) -
                          static_cast<int32_t>(ReadLe32(head + 28));
  return Sized(PictureFormat::kEnhancedMetafile, PixelsAt96Dpi(frame_w, 2540),
               PixelsAt96Dpi(frame_h, 2540));
}

Result ProbePlaceableMetafile(ProbeSource& source) {
  uint8_t head[22 + 18];
  if (!source.Read(0, head)) return Result::Invalid("the metafile header is cut short");
  const int64_t width = static_cast<int16_t>(ReadLe16(head + 10)) -
                        static_cast<int64_t>(static_cast<int16_t>(ReadLe16(head + 6)));
  const int64_t height = static_cast<int16_t>(ReadLe16(head + 12)) -
                         static_cast<int64_t>(static_cast<int16_t>(ReadLe16(head + 8)));
  const uint16_t inch = ReadLe16(head + 14);
  const uint16_t type = ReadLe16(head + 22), words = ReadLe16(head + 24);
  if (inch == 0 || (type != 1 && type != 2) || words != 9) {
    return Result::Invalid("the metafile header is corrupt");
  }
  return Sized(PictureFormat::kMetafile, PixelsAt96Dpi(width, inch), PixelsAt96Dpi(height, inch));
}

}  // namespace

PictureProbeResult ProbePicture(ProbeSource& source) {
  uint8_t magic[44] = {};
  const size_t have = source.Size() < sizeof magic ? source.Size() : sizeof magic;
  if (have < 4 || !source.Read(0, std::span(magic, have))) {
    return Result::Invalid("the file is too short to be a picture");
  }
  if (magic[0] == 'B' && magic[1] == 'M') return ProbeBitmap(source);
  if (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0) {
    return ProbeGif(source);
  }
  if (magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ProbeJpeg(source);
  if (std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return ProbePng(source);
  if (ReadLe16(magic) == 0 && (ReadLe16(magic + 2) == 1 || ReadLe16(magic + 2) == 2)) {
    return ProbeIcon(source);
  }
  if (ReadLe32(magic) == 0x9AC6CDD7u) return ProbePlaceableMetafile(source);
  if (ReadLe32(magic) == 1 && HasTag(magic + 40, " EMF")) return ProbeEnhancedMetafile(source);
  return Result::Invalid("the file is not a picture in a known format");
}

PictureProbeResult ProbePictureFile(const std::string& path) {
  std::optional<FileProbeSource> source = FileProbeSource::Open(path);
  if (!source) return Result::Unreadable("the file cannot be opened for reading");
  return ProbePicture(*source);
}

}  // namespace zarn
