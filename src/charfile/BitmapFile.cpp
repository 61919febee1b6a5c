#include "charfile/BitmapFile.h"

#include <png.h>

#include <cstring>

#include "charfile/CharacterSource.h"

namespace zarn::charfile {
namespace {

constexpr int kMaxSide = 4096;

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

[[noreturn]] void Bad(const std::string& why) { throw CharFileError(why); }

size_t Stride(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// RLE8 to bottom-up rows of `stride` bytes.
void DecodeRle8(const std::vector<uint8_t>& b, size_t at, int width, int height, size_t stride,
                std::vector<uint8_t>& rows) {
  int x = 0, y = 0;
  auto put = [&](uint8_t v) {
    if (x < width && y < height) rows[static_cast<size_t>(y) * stride + x] = v;
    ++x;
  };
  while (at + 1 < b.size() && y < height) {
    uint8_t count = b[at], value = b[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (at + 1 >= b.size()) Bad("the compressed pixels end early");
      x += b[at];
      y += b[at + 1];
      at += 2;
    } else {
      if (at + value > b.size()) Bad("the compressed pixels end early");
      for (int i = 0; i < value; ++i) put(b[at + i]);
      at += value + (value & 1);
    }
  }
}

}  // namespace

std::vector<uint8_t> EncodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<Color>& palette) {
  const size_t stride = Stride(width, 8);
  const uint32_t table = static_cast<uint32_t>(palette.size()) * 4;
  const uint32_t offset = 14 + 40 + table;
  const uint32_t pixels = static_cast<uint32_t>(stride * height);
  std::vector<uint8_t> b;
  b.reserve(offset + pixels);
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + pixels);
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);  // BI_RGB
  Put32(b, pixels);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  // The exact colour count: indices past it are transparent in a character.
  Put32(b, static_cast<uint32_t>(palette.size()));
  Put32(b, 0);
  for (const Color& c : palette) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = indices.data() + static_cast<size_t>(y) * width;
    b.insert(b.end(), row, row + width);
    b.resize(b.size() + stride - width, 0);
  }
  return b;
}

IndexedPicture DecodeBmp8(const std::vector<uint8_t>& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') Bad("not a bitmap file");
  const uint32_t offset = U32(b, 10);
  const uint32_t header = U32(b, 14);
  if (header < 40 || 14 + static_cast<size_t>(header) > b.size()) Bad("unknown bitmap header");
  const int32_t width = static_cast<int32_t>(U32(b, 18));
  const int32_t raw_height = static_cast<int32_t>(U32(b, 22));
  const uint32_t bits = U16(b, 28);
  const uint32_t compression = U32(b, 30);
  uint32_t colors = U32(b, 46);
  if (bits != 8) {
    Bad("a " + std::to_string(bits) + "-bit bitmap; character images are 8-bit (256 colours)");
  }
  const bool top_down = raw_height < 0;
  const int64_t height = top_down ? -static_cast<int64_t>(raw_height) : raw_height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    Bad("bitmap size " + std::to_string(width) + " x " + std::to_string(height) +
        " is out of range");
  }
  if (compression != 0 && compression != 1) Bad("unsupported bitmap compression");
  if (compression == 1 && top_down) Bad("a top-down bitmap cannot be compressed");
  if (colors == 0 || colors > 256) colors = 256;
  const size_t table_at = 14 + header;
  if (table_at + colors * 4 > b.size()) Bad("the colour table is cut short");
  IndexedPicture p;
  p.width = width;
  p.height = static_cast<int>(height);
  for (uint32_t i = 0; i < colors; ++i) {
    const uint8_t* q = &b[table_at + i * 4];
    p.palette.push_back(Color{q[2], q[1], q[0]});
  }
  const size_t stride = Stride(width, 8);
  std::vector<uint8_t> rows(stride * p.height, 0);
  if (offset >= b.size()) Bad("the pixels are missing");
  if (compression == 0) {
    if (offset + rows.size() > b.size()) Bad("the pixels are cut short");
    std::memcpy(rows.data(), &b[offset], rows.size());
  } else {
    DecodeRle8(b, offset, width, p.height, stride, rows);
  }
  p.indices.resize(static_cast<size_t>(width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    int src = top_down ? y : p.height - 1 - y;
    std::memcpy(&p.indices[static_cast<size_t>(y) * width], &rows[src * stride], width);
  }
  return p;
}

bool LooksLikePng(const std::vector<uint8_t>& b) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return b.size() >= 8 && std::memcmp(b.data(), kSignature, 8) == 0;
}

void DecodePngRgba(const std::vector<uint8_t>& bytes, int& width, int& height,
                   std::vector<uint8_t>& rgba) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    std::string why = image.message;
    png_image_free(&image);
    Bad("cannot read the PNG picture: " + why);
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
    png_image_free(&image);
    Bad("PNG size " + std::to_string(image.width) + " x " + std::to_string(image.height) +
        " is out of range");
  }
  image.format = PNG_FORMAT_RGBA;
  rgba.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    std::string why = image.message;
    png_image_free(&image);
    Bad("cannot read the PNG picture: " + why);
  }
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
}

std::vector<uint8_t> EncodeIco(const TrayIcon& icon) {
  const std::vector<uint8_t>& color = icon.color_dib;
  const std::vector<uint8_t>& mask = icon.mask_dib;
  if (color.size() < 40 || mask.size() < 40) Bad("the tray icon's bitmaps are damaged");
  const int width = static_cast<int32_t>(U32(color, 4));
  const int height = static_cast<int32_t>(U32(color, 8));
  const size_t mask_bits = Stride(width, 1) * height;
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || mask.size() < mask_bits) {
    Bad("the tray icon's bitmaps are damaged");
  }
  std::vector<uint8_t> image(color);
  // In an icon the height counts the colour bitmap and the mask together.
  const uint32_t doubled = static_cast<uint32_t>(height) * 2;
  for (int i = 0; i < 4; ++i) image[8 + i] = static_cast<uint8_t>(doubled >> (8 * i));
  image.insert(image.end(), mask.end() - static_cast<ptrdiff_t>(mask_bits), mask.end());
  std::vector<uint8_t> b;
  Put16(b, 0);
  Put16(b, 1);  // icon
  Put16(b, 1);  // one picture
  b.push_back(static_cast<uint8_t>(width & 0xFF));
  b.push_back(static_cast<uint8_t>(height & 0xFF));
  b.push_back(0);
  b.push_back(0);
  Put16(b, 1);
  Put16(b, U16(color, 14));
  Put32(b, static_cast<uint32_t>(image.size()));
  Put32(b, 22);
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

TrayIcon DecodeIco(const std::vector<uint8_t>& b) {
  if (b.size() < 22 || U16(b, 0) != 0 || U16(b, 2) != 1 || U16(b, 4) == 0) Bad("not an icon file");
  const size_t length = U32(b, 14), at = U32(b, 18);
  if (at + 40 > b.size() || length < 40 || at + length > b.size()) Bad("the icon is cut short");
  std::vector<uint8_t> dib(b.begin() + static_cast<ptrdiff_t>(at),
                           b.begin() + static_cast<ptrdiff_t>(at + length));
  const uint32_t header = U32(dib, 0);
  const int width = static_cast<int32_t>(U32(dib, 4));
  const int height = static_cast<int32_t>(U32(dib, 8)) / 2;
  const uint32_t bits = U16(dib, 14);
  if (header < 40 || width <= 0 || height <= 0 || width > 256 || height > 256 || bits == 0 ||
      bits > 32) {
    Bad("unsupported icon picture");
  }
  uint32_t colors = U32(dib, 32);
  if (colors == 0 && bits <= 8) colors = 1u << bits;
  const size_t color_end = header + colors * 4 + Stride(width, bits) * height;
  const size_t mask_bits = Stride(width, 1) * height;
  if (color_end + mask_bits > dib.size()) Bad("the icon is cut short");
  TrayIcon icon;
  icon.color_dib.assign(dib.begin(), dib.begin() + static_cast<ptrdiff_t>(color_end));
  for (int i = 0; i < 4; ++i) icon.color_dib[8 + i] = static_cast<uint8_t>(height >> (8 * i));
  std::vector<uint8_t>& mask = icon.mask_dib;
  Put32(mask, 40);
  Put32(mask, static_cast<uint32_t>(width));
  Put32(mask, static_cast<uint32_t>(height));
  Put16(mask, 1);
  Put16(mask, 1);
  Put32(mask, 0);
  Put32(mask, static_cast<uint32_t>(mask_bits));
  for (int i = 0; i < 4; ++i) Put32(mask, 0);
  for (uint8_t v : {0, 0, 0, 0, 255, 255, 255, 0}) mask.push_back(v);
  mask.insert(mask.end(), dib.begin() + static_cast<ptrdiff_t>(color_end),
              dib.begin() + static_cast<ptrdiff_t>(color_end + mask_bits));
  int w = 0, h = 0, mw = 0, mh = 0;
  std::vector<uint8_t> rgba, alpha;
  if (DecodeDib(icon.color_dib, w, h, rgba) && DecodeDib(icon.mask_dib, mw, mh, alpha) && mw == w &&
      mh == h) {
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i + 3] = alpha[i] != 0 ? 0 : 255;
    icon.width = w;
    icon.height = h;
    icon.rgba = std::move(rgba);
  }
  return icon;
}

}  // namespace zarn::charfile
