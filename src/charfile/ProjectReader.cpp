// Builds a character description from a project: the .acd text, then the
// palette, the images (8-bit bitmaps, or PNGs mapped onto the palette), the
// sounds and the tray icon it names.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "base/TextCodec.h"
#include "charfile/AcdText.h"
#include "charfile/BitmapFile.h"
#include "charfile/CharacterProject.h"
#include "charfile/ProjectFiles.h"

namespace zarn {
namespace {

using charfile::AcdFileUse;

// How far (squared RGB distance) a PNG colour may be from the palette
// colour it becomes: enough for a picture saved with a slightly different
// palette, not enough to turn red into orange.
constexpr int kMaxColorDistance = 3 * 24 * 24;

std::string ColorText(uint8_t r, uint8_t g, uint8_t b) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", r, g, b);
  return text;
}

class ProjectReader {
 public:
  ProjectReader(const std::string& acd_path, std::vector<std::string>& warnings)
      : path_(acd_path), warnings_(warnings) {
    folder_ = std::filesystem::path(acd_path).parent_path().string();
    if (folder_.empty()) folder_ = ".";
  }

  CharacterDescription Read() {
    const std::vector<uint8_t> bytes = charfile::ReadProjectFile(path_);
    const std::string text =
        DecodeText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    charfile::AcdText acd = charfile::ParseAcd(text, path_);
    warnings_.insert(warnings_.end(), acd.warnings.begin(), acd.warnings.end());
    CharacterDescription d = std::move(acd.description);
    LoadPalette(acd, d.info);
    for (const auto& use : acd.images) LoadImage(use, d);
    for (const auto& use : acd.sounds) d.sounds.push_back(LoadSound(use));
    if (acd.icon) {
      try {
        d.info.tray_icon = charfile::DecodeIco(Load(*acd.icon, "icon"));
      } catch (const CharFileError& e) {
        Fail(*acd.icon, e.what());
      }
    }
    return d;
  }

 private:
  [[noreturn]] void Fail(const AcdFileUse& use, const std::string& what) const {
    throw CharFileError(path_ + ":" + std::to_string(use.line) + ": " + use.name + ": " + what);
  }

  std::vector<uint8_t> Load(const AcdFileUse& use, const char* kind) const {
    auto found = charfile::FindProjectFile(folder_, use.name);
    if (!found) {
      throw CharFileError(path_ + ":" + std::to_string(use.line) + ": " + kind + " \"" + use.name +
                          "\" not found");
    }
    try {
      return charfile::ReadProjectFile(*found);
    } catch (const CharFileError& e) {
      Fail(use, e.what());
    }
  }

  charfile::IndexedPicture Bitmap(const AcdFileUse& use, const std::vector<uint8_t>& bytes) const {
    try {
      return charfile::DecodeBmp8(bytes);
    } catch (const CharFileError& e) {
      Fail(use, e.what());
    }
  }

  // The ColorTable file, else the first bitmap's colours (as the editor
  // does), else the colours of the PNG pictures themselves.
  void LoadPalette(const charfile::AcdText& acd, CharacterInfo& info) {
    if (acd.color_table) {
      const auto bytes = Load(*acd.color_table, "colour table");
      if (charfile::LooksLikePng(bytes))
        Fail(*acd.color_table, "the colour table must be an 8-bit bitmap");
      info.palette = Bitmap(*acd.color_table, bytes).palette;
      fixed_palette_ = true;
      return;
    }
    for (const auto& use : acd.images) {
      const auto bytes = Load(use, "image");
      if (charfile::LooksLikePng(bytes)) continue;
      info.palette = Bitmap(use, bytes).palette;
      fixed_palette_ = true;
      return;
    }
  }

  void CheckSize(const AcdFileUse& use, int width, int height, const CharacterInfo& info) const {
    if (width > info.width || height > info.height) {
      Fail(use, "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                    ", larger than the " + std::to_string(info.width) + " x " +
                    std::to_string(info.height) + " frame");
    }
  }

  void LoadImage(const AcdFileUse& use, CharacterDescription& d) {
    const auto bytes = Load(use, "image");
    if (!charfile::LooksLikePng(bytes)) {
      charfile::IndexedPicture p = Bitmap(use, bytes);
      CheckSize(use, p.width, p.height, d.info);
      if (!SamePalette(p.palette, d.info.palette) && !palette_warned_) {
        warnings_.push_back(path_ + ":" + std::to_string(use.line) + ": " + use.name +
                            ": its colours differ from the character's palette; its pixels keep "
                            "their palette numbers");
        palette_warned_ = true;
      }
      ImageDescription image;
      image.width = p.width;
      image.height = p.height;
      image.indices = std::move(p.indices);
      d.images.push_back(std::move(image));
      return;
    }
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    try {
      charfile::DecodePngRgba(bytes, width, height, rgba);
    } catch (const CharFileError& e) {
      Fail(use, e.what());
    }
    CheckSize(use, width, height, d.info);
    if (!fixed_palette_) {
      try {
        AddRgbaImage(d, rgba.data(), width, height);
      } catch (const CharFileError& e) {
        Fail(use, std::string(e.what()) + "; give a ColorTable bitmap and draw with its colours");
      }
      return;
    }
    d.images.push_back(Quantise(use, rgba, width, height, d.info));
  }

  static bool SamePalette(const std::vector<Color>& a, const std::vector<Color>& b) {
    size_t n = std::min(a.size(), b.size());
    return std::equal(a.begin(), a.begin() + static_cast<ptrdiff_t>(n), b.begin());
  }

  ImageDescription Quantise(const AcdFileUse& use, const std::vector<uint8_t>& rgba, int width,
                            int height, const CharacterInfo& info) const {
    const auto& palette = info.palette;
    const uint8_t t = info.transparent_index;
    std::vector<size_t> opaque;
    for (size_t i = 0; i < palette.size(); ++i) {
      bool transparent = i == t || (t < palette.size() && palette[i] == palette[t]);
      if (!transparent) opaque.push_back(i);
    }
    ImageDescription image;
    image.width = width;
    image.height = height;
    image.indices.assign(static_cast<size_t>(width) * height, t);
    std::map<uint32_t, uint8_t> seen;
    for (size_t p = 0; p < image.indices.size(); ++p) {
      const uint8_t* px = &rgba[p * 4];
      if (px[3] < 128) continue;
      const uint32_t key = px[0] << 16 | px[1] << 8 | px[2];
      if (auto it = seen.find(key); it != seen.end()) {
        image.indices[p] = it->second;
        continue;
      }
      if (opaque.empty()) Fail(use, "the palette has no colour besides the transparent one");
      size_t best = opaque[0];
      int best_distance = 1 << 30;
      for (size_t i : opaque) {
        int dr = px[0] - palette[i].r, dg = px[1] - palette[i].g, db = px[2] - palette[i].b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
          best_distance = distance;
          best = i;
        }
      }
      if (best_distance > kMaxColorDistance) {
        const Color& n = palette[best];
        Fail(use, "colour " + ColorText(px[0], px[1], px[2]) + " at (" + std::to_string(p % width) +
                      ", " + std::to_string(p / width) +
                      ") is not in the character's palette (the nearest is " +
                      ColorText(n.r, n.g, n.b) + "); draw with the ColorTable's colours");
      }
      seen.emplace(key, static_cast<uint8_t>(best));
      image.indices[p] = static_cast<uint8_t>(best);
    }
    return image;
  }

  std::vector<uint8_t> LoadSound(const AcdFileUse& use) const {
    std::vector<uint8_t> bytes = Load(use, "sound");
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
      Fail(use, "not a WAV file");
    }
    return bytes;
  }

  std::string path_;
  std::string folder_;
  std::vector<std::string>& warnings_;
  bool fixed_palette_ = false;
  bool palette_warned_ = false;
};

}  // namespace

CharacterDescription ReadCharacterProject(const std::string& acd_path,
                                          std::vector<std::string>& warnings) {
  return ProjectReader(acd_path, warnings).Read();
}

}  // namespace zarn

namespace zarn {

CharacterFile OpenCharacterProject(const std::string& acd_path,
                                   std::vector<std::string>& warnings) {
  return CharacterFile::FromBytes(WriteCharacter(ReadCharacterProject(acd_path, warnings)));
}

bool IsCharacterProjectPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return ext == ".acd";
}

}  // namespace zarn
