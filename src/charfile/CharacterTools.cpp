#include "charfile/CharacterTools.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "base/Json.h"
#include "charfile/FrameComposer.h"

namespace zarn {
namespace {

std::string JsonString(const std::string& text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

std::string Hex(uint32_t v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
  return buf;
}

std::string Seconds(uint32_t hundredths) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u.%02u s", hundredths / 100, hundredths % 100);
  return buf;
}

std::string ColorText(const Color& c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

const char* GenderText(uint16_t gender) {
  return gender == 1 ? "female" : gender == 2 ? "male" : "neutral";
}

std::string Text(const CharacterFile& f) {
  std::ostringstream out;
  const CharacterInfo& info = f.Info();
  const VoiceInfo& v = info.voice;
  const BalloonInfo& b = info.balloon;
  out << "Name: " << f.Name() << "\n";
  out << "Description: " << f.Description() << "\n";
  out << "GUID: " << info.guid.ToString() << "\n";
  out << "Size: " << f.Width() << " x " << f.Height() << "\n";
  out << "Images: " << f.ImageCount() << ", sounds: " << f.SoundCount() << "\n";
  if (v.present) {
    out << "Voice: speed "
        << (v.speed == VoiceInfo::kDefaultSpeed ? "default" : std::to_string(v.speed) + " wpm")
        << ", pitch "
        << (v.pitch == VoiceInfo::kDefaultPitch ? "default" : std::to_string(v.pitch) + " Hz");
    if (v.has_extra) {
      out << ", " << GenderText(v.gender) << ", language " << Hex(v.language_id, 4);
    }
    out << "\n";
  } else {
    out << "Voice: none\n";
  }
  if (b.present) {
    out << "Balloon: " << int{b.lines} << " lines of " << int{b.chars_per_line}
        << " characters, font \"" << b.font_name << "\" " << b.font_height << ", text "
        << ColorText(b.text_color) << " on " << ColorText(b.back_color) << ", border "
        << ColorText(b.border_color) << "\n";
  } else {
    out << "Balloon: disabled\n";
  }
  out << "States (" << info.states.size() << "):\n";
  for (const auto& s : info.states) {
    out << "  " << s.name << ":";
    for (const auto& a : s.animations) out << " " << a;
    out << "\n";
  }
  out << "Animations (" << f.Animations().size() << "):\n";
  for (const auto& a : f.Animations()) {
    out << "  " << a.name << ": " << a.frames.size() << " frames, " << Seconds(a.TotalDuration());
    if (a.transition == TransitionType::kReturnAnimation)
      out << ", returns via " << a.return_animation;
    if (a.transition == TransitionType::kExitBranches) out << ", exit branches";
    out << "\n";
  }
  for (const auto& w : f.Warnings()) out << "Warning: " << w << "\n";
  return out.str();
}

std::string Json(const CharacterFile& f) {
  std::ostringstream out;
  const CharacterInfo& info = f.Info();
  out << "{\"name\":" << JsonString(f.Name()) << ",\"description\":" << JsonString(f.Description())
      << ",\"guid\":" << JsonString(info.guid.ToString()) << ",\"width\":" << f.Width()
      << ",\"height\":" << f.Height() << ",\"animations\":" << f.Animations().size()
      << ",\"images\":" << f.ImageCount() << ",\"sounds\":" << f.SoundCount()
      << ",\"animationNames\":[";
  for (size_t i = 0; i < f.Animations().size(); ++i) {
    out << (i ? "," : "") << JsonString(f.Animations()[i].name);
  }
  out << "],\"states\":{";
  for (size_t i = 0; i < info.states.size(); ++i) {
    out << (i ? "," : "") << JsonString(info.states[i].name) << ":[";
    for (size_t k = 0; k < info.states[i].animations.size(); ++k) {
      out << (k ? "," : "") << JsonString(info.states[i].animations[k]);
    }
    out << "]";
  }
  out << "}";
  const VoiceInfo& v = info.voice;
  if (v.present) {
    out << ",\"voice\":{\"speed\":"
        << (v.speed == VoiceInfo::kDefaultSpeed ? "null" : std::to_string(v.speed))
        << ",\"pitch\":" << (v.pitch == VoiceInfo::kDefaultPitch ? "null" : std::to_string(v.pitch))
        << ",\"gender\":" << v.gender << ",\"languageId\":" << v.language_id << "}";
  } else {
    out << ",\"voice\":null";
  }
  const BalloonInfo& b = info.balloon;
  if (b.present) {
    out << ",\"balloon\":{\"lines\":" << int{b.lines}
        << ",\"charsPerLine\":" << int{b.chars_per_line}
        << ",\"fontName\":" << JsonString(b.font_name) << ",\"fontHeight\":" << b.font_height
        << "}";
  } else {
    out << ",\"balloon\":null";
  }
  out << "}\n";
  return out.str();
}

void WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) {
    std::string why = image.message;
    png_image_free(&image);
    throw CharFileError(path + ": cannot write the picture: " + why);
  }
}

// File names keep only safe characters of the animation name.
std::string SafeName(const std::string& name) {
  std::string out;
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-';
    out += ok ? c : '_';
  }
  return out.empty() ? "animation" : out;
}

}  // namespace

std::string DescribeCharacter(const CharacterFile& file, bool json) {
  return json ? Json(file) : Text(file);
}

std::vector<std::string> WriteAnimationPngs(const CharacterFile& file,
                                            const std::string& animation_name,
                                            const std::string& dir, bool with_overlays) {
  const Animation* animation = file.FindAnimation(animation_name);
  if (animation == nullptr) {
    throw CharFileError("the character has no animation \"" + animation_name + "\"");
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::vector<std::string> paths;
  std::string base = (std::filesystem::path(dir) / SafeName(animation->name)).string();
  for (size_t i = 0; i < animation->frames.size(); ++i) {
    const Frame& frame = animation->frames[i];
    char number[32];
    std::snprintf(number, sizeof number, "_%03zu", i);
    std::string path = base + number + ".png";
    WritePng(path, ComposeFrame(file, frame), file.Width(), file.Height());
    paths.push_back(path);
    if (!with_overlays) continue;
    for (const auto& overlay : frame.overlays) {
      path = base + number + "_mouth" + std::to_string(overlay.shape) + ".png";
      WritePng(path, ComposeFrame(file, frame, overlay.shape), file.Width(), file.Height());
      paths.push_back(path);
    }
  }
  return paths;
}

}  // namespace zarn
