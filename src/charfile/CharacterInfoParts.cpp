#include <string>

#include "charfile/CharacterSource.h"

namespace zarn::charfile {

VoiceInfo ReadVoiceInfo(ByteCursor& c, bool terminated) {
  VoiceInfo v;
  v.present = true;
  v.engine_id = c.ReadGuid("voice engine id");
  v.mode_id = c.ReadGuid("voice mode id");
  v.speed = c.U32("voice speed");
  v.pitch = c.U16("voice pitch");
  v.has_extra = c.U8("voice extra-data flag") != 0;
  if (v.has_extra) {
    v.language_id = c.U16("voice language id");
    v.dialect = c.String("voice dialect", terminated);
    v.gender = c.U16("voice gender");
    v.age = c.U16("voice age");
    v.style = c.String("voice style", terminated);
  }
  return v;
}

BalloonInfo ReadBalloonInfo(ByteCursor& c, bool terminated) {
  BalloonInfo b;
  b.present = true;
  b.lines = c.U8("balloon lines");
  b.chars_per_line = c.U8("balloon characters per line");
  b.text_color = c.ColorRef("balloon text colour");
  b.back_color = c.ColorRef("balloon background colour");
  b.border_color = c.ColorRef("balloon border colour");
  b.font_name = c.String("balloon font name", terminated);
  b.font_height = c.I32("balloon font height");
  b.font_weight = c.I32("balloon font weight");
  b.italic = c.U8("balloon italic flag") != 0;
  b.unknown = c.U8("balloon flags");
  return b;
}

std::vector<Color> ReadPalette(ByteCursor& c) {
  uint32_t count = c.U32("palette count");
  if (count > 256) c.Corrupt("palette has " + std::to_string(count) + " colours, more than 256");
  c.CheckCount(count, 4, "palette");
  std::vector<Color> palette;
  palette.reserve(count);
  for (uint32_t i = 0; i < count; ++i) palette.push_back(c.RgbQuad("palette entry"));
  return palette;
}

std::optional<TrayIcon> ReadTrayIcon(ByteCursor& c) {
  if (c.U8("tray icon flag") == 0) return std::nullopt;
  TrayIcon icon;
  icon.mask_dib = c.Block("tray icon mask bitmap");
  icon.color_dib = c.Block("tray icon colour bitmap");
  int w = 0, h = 0, mw = 0, mh = 0;
  std::vector<uint8_t> color, mask;
  // An unreadable icon is not worth refusing the character for.
  if (DecodeDib(icon.color_dib, w, h, color) && DecodeDib(icon.mask_dib, mw, mh, mask) && mw == w &&
      mh == h) {
    for (size_t i = 0; i < color.size(); i += 4) {
      // A set mask bit decodes to white: transparent.
      bool transparent = mask[i] != 0;
      color[i + 3] = transparent ? 0 : 255;
    }
    icon.width = w;
    icon.height = h;
    icon.rgba = std::move(color);
  }
  return icon;
}

std::vector<State> ReadStates(ByteCursor& c, bool terminated) {
  uint16_t count = c.U16("state count");
  c.CheckCount(count, 6, "state list");
  std::vector<State> states(count);
  for (auto& state : states) {
    state.name = c.String("state name", terminated);
    uint16_t n = c.U16("state animation count");
    c.CheckCount(n, 4, "state animation names");
    state.animations.reserve(n);
    for (uint16_t i = 0; i < n; ++i)
      state.animations.push_back(c.String("state animation", terminated));
  }
  return states;
}

std::vector<LocalizedInfo> ReadLocalizedInfo(ByteCursor& c, bool terminated) {
  uint16_t count = c.U16("localized info count");
  c.CheckCount(count, 14, "localized info list");
  std::vector<LocalizedInfo> list(count);
  for (auto& info : list) {
    info.language_id = c.U16("language id");
    info.name = c.String("character name", terminated);
    info.description = c.String("character description", terminated);
    info.extra_data = c.String("character extra data", terminated);
  }
  return list;
}

void CheckFrameSize(const ByteCursor& c, int width, int height) {
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) {
    c.Corrupt("frame size " + std::to_string(width) + " x " + std::to_string(height) +
              " is not usable");
  }
}

void ReadSharedInfo(ByteCursor& c, CharacterInfo& info, bool terminated_strings) {
  info.width = c.U16("frame width");
  info.height = c.U16("frame height");
  CheckFrameSize(c, info.width, info.height);
  info.transparent_index = c.U8("transparent index");
  info.style_flags = c.U32("style flags");
  info.animation_set_major = c.U16("animation set version");
  info.animation_set_minor = c.U16("animation set version");
  if (info.style_flags & char_style::kVoiceEnabled) {
    info.voice = ReadVoiceInfo(c, terminated_strings);
  }
  if (info.style_flags & char_style::kBalloonEnabled) {
    info.balloon = ReadBalloonInfo(c, terminated_strings);
  }
  info.palette = ReadPalette(c);
  info.tray_icon = ReadTrayIcon(c);
  info.states = ReadStates(c, terminated_strings);
}

bool DecodeDib(const std::vector<uint8_t>& dib, int& width, int& height,
               std::vector<uint8_t>& rgba) {
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(dib[at] | (dib[at + 1] << 8)); };
  auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
  if (dib.size() < 40) return false;
  uint32_t header = u32(0);
  int32_t w = static_cast<int32_t>(u32(4));
  int32_t h = static_cast<int32_t>(u32(8));
  uint32_t bpp = u16(14);
  uint32_t compression = u32(16);
  uint32_t used = u32(32);
  bool top_down = h < 0;
  if (top_down) h = -h;
  if (header < 40 || header > dib.size() || compression != 0 || w <= 0 || h <= 0 || w > 256 ||
      h > 256) {
    return false;
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  size_t colors = bpp <= 8 ? (used != 0 && used < (1u << bpp) ? used : (1u << bpp)) : 0;
  size_t table = header;
  size_t pixels = table + colors * 4;
  size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  if (pixels > dib.size() || stride * h > dib.size() - pixels) return false;
  width = w;
  height = h;
  rgba.assign(static_cast<size_t>(w) * h * 4, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = dib.data() + pixels + stride * (top_down ? y : h - 1 - y);
    for (int x = 0; x < w; ++x) {
      uint8_t* o = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      if (bpp <= 8) {
        size_t bit = static_cast<size_t>(x) * bpp;
        uint32_t index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (index >= colors) continue;
        const uint8_t* q = dib.data() + table + index * 4;
        o[0] = q[2];
        o[1] = q[1];
        o[2] = q[0];
      } else {
        const uint8_t* q = row + static_cast<size_t>(x) * (bpp / 8);
        o[0] = q[2];
        o[1] = q[1];
        o[2] = q[0];
      }
      o[3] = 255;
    }
  }
  return true;
}

}  // namespace zarn::charfile
