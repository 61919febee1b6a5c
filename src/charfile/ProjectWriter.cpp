// Writes a character as a project: the .acd text, Images/NNNN.bmp (8-bit
// with the character's palette), Sounds/NNNN.wav as stored, the colour
// table and the tray icon.

#include <cstdio>
#include <filesystem>
#include <set>

#include "charfile/AcdText.h"
#include "charfile/BitmapFile.h"
#include "charfile/CharacterProject.h"
#include "charfile/ProjectFiles.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

std::string Numbered(const char* folder, size_t i, const char* ext) {
  char text[64];
  std::snprintf(text, sizeof text, "%s/%04zu.%s", folder, i, ext);
  return text;
}

std::string FileNameOf(const CharacterDescription& d) {
  std::string name;
  for (const auto& entry : d.info.localized) {
    if ((entry.language_id & 0x3FF) == 0x09 || name.empty()) name = entry.name;
  }
  std::string safe;
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-';
    safe += ok ? c : '_';
  }
  return (safe.empty() ? "Character" : safe) + ".acd";
}

void PrepareFolder(const std::string& folder) {
  std::error_code ec;
  if (fs::exists(folder, ec)) {
    if (!fs::is_directory(folder, ec)) throw CharFileError(folder + ": exists and is not a folder");
    if (!fs::is_empty(folder, ec)) {
      throw CharFileError(folder + ": the folder is not empty; give a new or empty one");
    }
  }
  for (const char* sub : {"Images", "Sounds"}) {
    fs::create_directories(fs::path(folder) / sub, ec);
    if (ec) throw CharFileError(folder + ": cannot create the folder: " + ec.message());
  }
}

std::vector<uint8_t> TextBytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

CharacterDescription DescriptionOf(const CharacterFile& file, std::vector<std::string>& warnings) {
  CharacterDescription d;
  d.info = file.Info();
  d.animations = file.Animations();
  for (size_t i = 0; i < file.ImageCount(); ++i) {
    ImageDescription image;
    try {
      DecodedImage decoded = file.DecodeImage(i, false);
      image.width = decoded.width;
      image.height = decoded.height;
      image.indices = std::move(decoded.indices);
    } catch (const CharFileError& e) {
      warnings.push_back("image " + std::to_string(i) + " cannot be read (" + e.what() +
                         "); it becomes a transparent pixel");
    }
    if (image.width == 0 || image.height == 0) {
      // A bitmap cannot be empty; one transparent pixel draws the same.
      image.width = image.height = 1;
      image.indices = {d.info.transparent_index};
    }
    d.images.push_back(std::move(image));
  }
  for (size_t i = 0; i < file.SoundCount(); ++i) d.sounds.push_back(file.SoundBytes(i));
  return d;
}

std::string WriteCharacterProject(const CharacterDescription& d, const std::string& folder,
                                  std::vector<std::string>& warnings) {
  PrepareFolder(folder);
  const fs::path root(folder);
  const std::vector<Color>& palette = d.info.palette;
  charfile::AcdFileNames names;
  for (size_t i = 0; i < d.images.size(); ++i) {
    const ImageDescription& image = d.images[i];
    names.images.push_back(Numbered("Images", i, "bmp"));
    charfile::WriteProjectFile(
        (root / names.images.back()).string(),
        charfile::EncodeBmp8(image.width, image.height, image.indices, palette));
  }
  for (size_t i = 0; i < d.sounds.size(); ++i) {
    names.sounds.push_back(Numbered("Sounds", i, "wav"));
    charfile::WriteProjectFile((root / names.sounds.back()).string(), d.sounds[i]);
  }
  names.color_table = "ColorTable.bmp";
  std::vector<Color> table = palette;
  if (table.empty()) table.push_back(Color{});  // a bitmap needs one colour
  charfile::WriteProjectFile((root / names.color_table).string(),
                             charfile::EncodeBmp8(1, 1, {d.info.transparent_index}, table));
  if (d.info.tray_icon) {
    try {
      std::vector<uint8_t> ico = charfile::EncodeIco(*d.info.tray_icon);
      names.icon = "Icon.ico";
      charfile::WriteProjectFile((root / names.icon).string(), ico);
    } catch (const CharFileError& e) {
      warnings.push_back(std::string("the tray icon is left out: ") + e.what());
    }
  }
  std::set<size_t> used;
  for (const auto& a : d.animations) {
    for (const auto& f : a.frames) {
      for (const auto& image : f.images) used.insert(image.image_index);
      for (const auto& o : f.overlays) used.insert(o.image_index);
    }
  }
  size_t unused = 0;
  for (size_t i = 0; i < d.images.size(); ++i) unused += used.count(i) ? 0 : 1;
  if (unused > 0) {
    warnings.push_back(std::to_string(unused) +
                       " images no frame uses are in Images/ but not in the project");
  }
  const std::string acd = (root / FileNameOf(d)).string();
  charfile::WriteProjectFile(acd, TextBytes(charfile::FormatAcd(d, names, warnings)));
  return acd;
}

}  // namespace zarn
