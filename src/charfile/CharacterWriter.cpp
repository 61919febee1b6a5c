#include "charfile/CharacterWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "charfile/CharacterSource.h"
#include "charfile/Compressor.h"
#include "charfile/Utf16.h"

namespace zarn {
namespace {

class ByteSink {
 public:
  std::vector<uint8_t> bytes;

  size_t Size() const { return bytes.size(); }
  void U8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
  void Bytes(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  void Block(const std::vector<uint8_t>& b) {
    U32(static_cast<uint32_t>(b.size()));
    Bytes(b);
  }
  void String(const std::string& text) {
    std::u16string units = charfile::Utf8ToUtf16(text);
    U32(static_cast<uint32_t>(units.size()));
    for (char16_t u : units) U16(u);
    if (!units.empty()) U16(0);
  }
  void Guid(const zarn::Guid& g) {
    U32(g.data1);
    U16(g.data2);
    U16(g.data3);
    bytes.insert(bytes.end(), g.data4.begin(), g.data4.end());
  }
  void ColorRef(const Color& c) {
    U8(c.r);
    U8(c.g);
    U8(c.b);
    U8(0);
  }
  void RgbQuad(const Color& c) {
    U8(c.b);
    U8(c.g);
    U8(c.r);
    U8(0);
  }
  // Reserves a LOCATOR to fill in later; returns its position.
  size_t LocatorSlot() {
    size_t at = Size();
    U32(0);
    U32(0);
    return at;
  }
  void PatchLocator(size_t at, size_t offset, size_t length) {
    auto put = [&](size_t where, uint32_t v) {
      for (int i = 0; i < 4; ++i) bytes[where + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(at, static_cast<uint32_t>(offset));
    put(at + 4, static_cast<uint32_t>(length));
  }
};

[[noreturn]] void Invalid(const std::string& message) {
  throw CharFileError("cannot write character: " + message);
}

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return s;
}

size_t Stride(int width) { return (static_cast<size_t>(width) + 3) & ~size_t{3}; }

bool Opaque(const CharacterInfo& info, uint8_t index) {
  const auto& palette = info.palette;
  uint8_t t = info.transparent_index;
  if (index >= palette.size() || index == t) return false;
  return !(t < palette.size() && palette[index] == palette[t]);
}

std::vector<uint8_t> RegionData(const std::vector<RegionRect>& rects, int width, int height) {
  ByteSink s;
  s.U32(32);
  s.U32(1);
  s.U32(static_cast<uint32_t>(rects.size()));
  s.U32(static_cast<uint32_t>(rects.size() * 16));
  s.U32(0);
  s.U32(0);
  s.U32(static_cast<uint32_t>(width));
  s.U32(static_cast<uint32_t>(height));
  for (const auto& r : rects) {
    s.U32(static_cast<uint32_t>(r.left));
    s.U32(static_cast<uint32_t>(r.top));
    s.U32(static_cast<uint32_t>(r.right));
    s.U32(static_cast<uint32_t>(r.bottom));
  }
  return std::move(s.bytes);
}

void WriteImageRecord(ByteSink& s, const ImageDescription& image, const CharacterInfo& info) {
  if (image.empty) {
    s.U8(0);
    return;
  }
  if (image.width < 0 || image.height < 0 || image.width > charfile::kMaxImageSide ||
      image.height > charfile::kMaxImageSide ||
      image.indices.size() != static_cast<size_t>(image.width) * image.height) {
    Invalid("image of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
            " with " + std::to_string(image.indices.size()) + " pixels");
  }
  size_t stride = Stride(image.width);
  std::vector<uint8_t> bottom_up(stride * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(bottom_up.data() + stride * (image.height - 1 - y),
                image.indices.data() + static_cast<size_t>(image.width) * y, image.width);
  }
  s.U8(1);
  s.U16(image.width);
  s.U16(image.height);
  s.U8(image.compress ? 1 : 0);
  s.Block(image.compress ? charfile::Compress(bottom_up.data(), bottom_up.size()) : bottom_up);
  if (!image.with_region) {
    s.U32(0);
    s.U32(0);
    return;
  }
  std::vector<uint8_t> region = RegionData(OutlineOf(image, info), image.width, image.height);
  std::vector<uint8_t> packed = charfile::Compress(region.data(), region.size());
  s.U32(static_cast<uint32_t>(packed.size()));
  s.U32(static_cast<uint32_t>(region.size()));
  s.Bytes(packed);
}

void WriteFrame(ByteSink& s, const Frame& frame) {
  if (frame.images.size() > 0xFFFF || frame.branches.size() > 0xFF ||
      frame.overlays.size() > 0xFF) {
    Invalid("frame with too many images, branches or overlays");
  }
  s.U16(static_cast<uint32_t>(frame.images.size()));
  for (const auto& image : frame.images) {
    s.U32(image.image_index);
    s.U16(static_cast<uint16_t>(image.x));
    s.U16(static_cast<uint16_t>(image.y));
  }
  s.U16(static_cast<uint16_t>(frame.sound_index));
  s.U16(frame.duration);
  s.U16(static_cast<uint16_t>(frame.exit_frame));
  s.U8(static_cast<uint32_t>(frame.branches.size()));
  for (const auto& b : frame.branches) {
    s.U16(b.frame);
    s.U16(b.probability);
  }
  s.U8(static_cast<uint32_t>(frame.overlays.size()));
  for (const auto& o : frame.overlays) {
    s.U8(o.shape);
    s.U8(o.replace ? 1 : 0);
    s.U16(o.image_index);
    s.U8(o.unknown);
    s.U8(o.has_region ? 1 : 0);
    s.U16(static_cast<uint16_t>(o.x));
    s.U16(static_cast<uint16_t>(o.y));
    s.U16(o.reference_x);
    s.U16(o.reference_y);
    if (o.has_region) s.Block(o.region);
  }
}

void WriteCharacterInfo(ByteSink& s, const CharacterInfo& info) {
  s.U16(info.version_minor);
  s.U16(info.version_major);
  size_t localized_slot = s.LocatorSlot();
  s.Guid(info.guid);
  s.U16(info.width);
  s.U16(info.height);
  s.U8(info.transparent_index);
  uint32_t flags = info.style_flags & ~(char_style::kVoiceDisabled | char_style::kVoiceEnabled |
                                        char_style::kBalloonDisabled | char_style::kBalloonEnabled);
  flags |= info.voice.present ? char_style::kVoiceEnabled : char_style::kVoiceDisabled;
  flags |= info.balloon.present ? char_style::kBalloonEnabled : char_style::kBalloonDisabled;
  s.U32(flags);
  s.U16(info.animation_set_major);
  s.U16(info.animation_set_minor);
  if (info.voice.present) {
    const VoiceInfo& v = info.voice;
    s.Guid(v.engine_id);
    s.Guid(v.mode_id);
    s.U32(v.speed);
    s.U16(v.pitch);
    s.U8(v.has_extra ? 1 : 0);
    if (v.has_extra) {
      s.U16(v.language_id);
      s.String(v.dialect);
      s.U16(v.gender);
      s.U16(v.age);
      s.String(v.style);
    }
  }
  if (info.balloon.present) {
    const BalloonInfo& b = info.balloon;
    s.U8(b.lines);
    s.U8(b.chars_per_line);
    s.ColorRef(b.text_color);
    s.ColorRef(b.back_color);
    s.ColorRef(b.border_color);
    s.String(b.font_name);
    s.U32(static_cast<uint32_t>(b.font_height));
    s.U32(static_cast<uint32_t>(b.font_weight));
    s.U8(b.italic ? 1 : 0);
    s.U8(b.unknown);
  }
  if (info.palette.size() > 256) Invalid("palette of more than 256 colours");
  s.U32(static_cast<uint32_t>(info.palette.size()));
  for (const auto& c : info.palette) s.RgbQuad(c);
  s.U8(info.tray_icon ? 1 : 0);
  if (info.tray_icon) {
    s.Block(info.tray_icon->mask_dib);
    s.Block(info.tray_icon->color_dib);
  }
  if (info.states.size() > 0xFFFF) Invalid("too many states");
  s.U16(static_cast<uint32_t>(info.states.size()));
  for (const auto& state : info.states) {
    s.String(state.name);
    s.U16(static_cast<uint32_t>(state.animations.size()));
    for (const auto& name : state.animations) s.String(name);
  }
  size_t localized_at = s.Size();
  s.U16(static_cast<uint32_t>(info.localized.size()));
  for (const auto& l : info.localized) {
    s.U16(l.language_id);
    s.String(l.name);
    s.String(l.description);
    s.String(l.extra_data);
  }
  // The locator is absolute: the caller shifts it by the block's offset.
  s.PatchLocator(localized_slot, localized_at, s.Size() - localized_at);
}

std::vector<uint8_t> Dib(int width, int height, int bpp, const std::vector<uint8_t>& table,
                         const std::vector<uint8_t>& rows) {
  ByteSink s;
  s.U32(40);
  s.U32(static_cast<uint32_t>(width));
  s.U32(static_cast<uint32_t>(height));
  s.U16(1);
  s.U16(static_cast<uint32_t>(bpp));
  s.U32(0);
  s.U32(static_cast<uint32_t>(rows.size()));
  s.U32(0);
  s.U32(0);
  s.U32(0);
  s.U32(0);
  s.Bytes(table);
  s.Bytes(rows);
  return std::move(s.bytes);
}

}  // namespace

std::vector<RegionRect> OutlineOf(const ImageDescription& image, const CharacterInfo& info) {
  std::vector<RegionRect> rects;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* row = image.indices.data() + static_cast<size_t>(image.width) * y;
    int x = 0;
    while (x < image.width) {
      while (x < image.width && !Opaque(info, row[x])) ++x;
      int start = x;
      while (x < image.width && Opaque(info, row[x])) ++x;
      if (x > start) rects.push_back({start, y, x, y + 1});
    }
  }
  return rects;
}

uint32_t AddRgbaImage(CharacterDescription& description, const uint8_t* rgba, int width,
                      int height) {
  CharacterInfo& info = description.info;
  if (info.palette.size() <= info.transparent_index) {
    info.palette.resize(info.transparent_index + 1, Color{255, 0, 255});
  }
  const Color transparent = info.palette[info.transparent_index];
  ImageDescription image;
  image.width = width;
  image.height = height;
  image.indices.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < image.indices.size(); ++i) {
    const uint8_t* p = rgba + 4 * i;
    if (p[3] < 128) {
      image.indices[i] = info.transparent_index;
      continue;
    }
    Color c{p[0], p[1], p[2]};
    if (c == transparent) c.b ^= 1;  // the nearest colour that stays visible
    size_t found = info.palette.size();
    for (size_t k = 0; k < info.palette.size(); ++k) {
      if (info.palette[k] == c) {
        found = k;
        break;
      }
    }
    if (found == info.palette.size()) {
      if (info.palette.size() >= 256) Invalid("more than 256 colours in the pictures");
      info.palette.push_back(c);
    }
    image.indices[i] = static_cast<uint8_t>(found);
  }
  description.images.push_back(std::move(image));
  return static_cast<uint32_t>(description.images.size() - 1);
}

TrayIcon MakeTrayIcon(const uint8_t* rgba, int width, int height) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256) Invalid("tray icon size");
  size_t mask_stride = ((width + 31) / 32) * 4;
  size_t color_stride = ((static_cast<size_t>(width) * 3 + 3) / 4) * 4;
  std::vector<uint8_t> mask(mask_stride * height, 0), color(color_stride * height, 0);
  for (int y = 0; y < height; ++y) {
    int row = height - 1 - y;  // bottom-up
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = rgba + (static_cast<size_t>(y) * width + x) * 4;
      if (p[3] < 128) mask[mask_stride * row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      uint8_t* q = color.data() + color_stride * row + x * 3;
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  }
  TrayIcon icon;
  icon.mask_dib = Dib(width, height, 1, {0, 0, 0, 0, 255, 255, 255, 0}, mask);
  icon.color_dib = Dib(width, height, 24, {}, color);
  charfile::DecodeDib(icon.color_dib, icon.width, icon.height, icon.rgba);
  for (int i = 0; i < width * height; ++i) icon.rgba[i * 4 + 3] = rgba[i * 4 + 3] < 128 ? 0 : 255;
  return icon;
}

std::vector<uint8_t> WriteCharacter(const CharacterDescription& d) {
  const CharacterInfo& info = d.info;
  if (info.width == 0 || info.height == 0) Invalid("frame size of 0");
  ByteSink s;
  s.U32(charfile::kAcsSignature);
  size_t info_slot = s.LocatorSlot();
  size_t animations_slot = s.LocatorSlot();
  size_t images_slot = s.LocatorSlot();
  size_t audio_slot = s.LocatorSlot();

  std::vector<std::pair<size_t, size_t>> animation_at, image_at, sound_at;
  for (const auto& animation : d.animations) {
    size_t at = s.Size();
    s.String(Upper(animation.name));
    s.U8(static_cast<uint32_t>(animation.transition));
    s.String(animation.return_animation);
    if (animation.frames.size() > 0xFFFF) Invalid("animation with too many frames");
    s.U16(static_cast<uint32_t>(animation.frames.size()));
    for (const auto& frame : animation.frames) WriteFrame(s, frame);
    animation_at.emplace_back(at, s.Size() - at);
  }
  for (const auto& image : d.images) {
    size_t at = s.Size();
    WriteImageRecord(s, image, info);
    image_at.emplace_back(at, s.Size() - at);
  }
  for (const auto& sound : d.sounds) {
    sound_at.emplace_back(s.Size(), sound.size());
    s.Bytes(sound);
  }

  size_t list_at = s.Size();
  s.U32(static_cast<uint32_t>(d.animations.size()));
  for (size_t i = 0; i < d.animations.size(); ++i) {
    s.String(d.animations[i].name);
    s.PatchLocator(s.LocatorSlot(), animation_at[i].first, animation_at[i].second);
  }
  s.PatchLocator(animations_slot, list_at, s.Size() - list_at);
  for (auto [slot, entries] :
       {std::pair{images_slot, &image_at}, std::pair{audio_slot, &sound_at}}) {
    list_at = s.Size();
    s.U32(static_cast<uint32_t>(entries->size()));
    for (const auto& [at, length] : *entries) {
      s.PatchLocator(s.LocatorSlot(), at, length);
      s.U32(0);  // checksum: readers ignore it
    }
    s.PatchLocator(slot, list_at, s.Size() - list_at);
  }

  ByteSink block;
  WriteCharacterInfo(block, info);
  size_t info_at = s.Size();
  // Shift the localized-info locator (relative so far) to an absolute offset.
  uint32_t rel = block.bytes[4] | (block.bytes[5] << 8) | (block.bytes[6] << 16) |
                 (static_cast<uint32_t>(block.bytes[7]) << 24);
  uint32_t len = block.bytes[8] | (block.bytes[9] << 8) | (block.bytes[10] << 16) |
                 (static_cast<uint32_t>(block.bytes[11]) << 24);
  block.PatchLocator(4, info_at + rel, len);
  s.Bytes(block.bytes);
  s.PatchLocator(info_slot, info_at, s.Size() - info_at);
  if (s.Size() > 0xFFFFFFFFu) Invalid("file larger than 4 GB");
  return std::move(s.bytes);
}

void WriteCharacterFile(const CharacterDescription& description, const std::string& path) {
  std::vector<uint8_t> bytes = WriteCharacter(description);
  std::random_device random;
  std::string temp;
  std::FILE* f = nullptr;
  for (int attempt = 0; attempt < 16 && f == nullptr; ++attempt) {
    temp = path + ".tmp" + std::to_string(random());
    f = std::fopen(temp.c_str(), "wbx");  // exclusive: never reuse someone else's file
  }
  if (f == nullptr) throw CharFileError(path + ": cannot create a temporary file");
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  std::error_code ec;
  if (ok) std::filesystem::rename(temp, path, ec);
  if (!ok || ec) {
    std::filesystem::remove(temp, ec);
    throw CharFileError(path + ": cannot write the file");
  }
}

}  // namespace zarn
