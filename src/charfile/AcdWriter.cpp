// Writes the text of a .acd project in the editor's own layout: tab
// indents, "Key = Value", quoted text, frames counted from 1.

#include <cstdio>

#include "charfile/AcdText.h"
#include "charfile/AcdValues.h"

namespace zarn::charfile {
namespace {

class Out {
 public:
  explicit Out(std::vector<std::string>& warnings) : warnings_(warnings) {}

  void Line(const std::string& text) {
    text_.append(static_cast<size_t>(depth_), '\t');
    text_ += text;
    text_ += "\r\n";
  }
  void Open(const std::string& text) {
    Line(text);
    ++depth_;
  }
  void Close(const std::string& text) {
    --depth_;
    Line(text);
  }
  void Value(const char* key, const std::string& value) { Line(std::string(key) + " = " + value); }
  void Number(const char* key, int64_t value) { Value(key, std::to_string(value)); }
  void Text(const char* key, const std::string& value) { Value(key, Quoted(value)); }

  // One line per value: a line break inside would end it early.
  std::string Quoted(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
      if (c == '\r' || c == '\n') {
        if (!broke_) warnings_.push_back("line breaks inside texts are written as blanks");
        broke_ = true;
        c = ' ';
      }
      out += c;
    }
    return out + "\"";
  }

  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  int depth_ = 0;
  bool broke_ = false;
  std::vector<std::string>& warnings_;
};

std::string Hex4(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", v);
  return text;
}

std::string Backslashed(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string StyleText(const CharacterInfo& info) {
  uint32_t flags = info.style_flags & ~(char_style::kVoiceDisabled | char_style::kVoiceEnabled |
                                        char_style::kBalloonDisabled | char_style::kBalloonEnabled);
  flags |= info.voice.present ? char_style::kVoiceEnabled : char_style::kVoiceDisabled;
  flags |= info.balloon.present ? char_style::kBalloonEnabled : char_style::kBalloonDisabled;
  std::string text;
  for (size_t i = 0; i < kStyleNameCount; ++i) {
    if ((flags & kStyleNames[i].flag) == 0) continue;
    text += (text.empty() ? "" : " | ") + std::string(kStyleNames[i].name);
  }
  return text;
}

void WriteCharacter(Out& out, const CharacterDescription& d, const AcdFileNames& names) {
  const CharacterInfo& info = d.info;
  const VoiceInfo& v = info.voice;
  out.Open("DefineCharacter");
  out.Value("GUID", info.guid.ToString());
  if (!names.icon.empty()) out.Text("Icon", Backslashed(names.icon));
  out.Number("Width", info.width);
  out.Number("Height", info.height);
  out.Number("Transparency", info.transparent_index);
  out.Number("DefaultFrameDuration", 10);
  out.Value("Style", StyleText(info));
  if (v.present) {
    out.Value("TTSEngineID", v.engine_id.ToString());
    out.Value("TTSModeID", v.mode_id.ToString());
    if (v.speed != VoiceInfo::kDefaultSpeed) out.Number("TTSSpeed", v.speed);
    if (v.pitch != VoiceInfo::kDefaultPitch) out.Number("TTSPitch", v.pitch);
    if (v.has_extra) {
      out.Value("TTSLangID", Hex4(v.language_id));
      out.Text("TTSLangDialect", v.dialect);
      out.Number("TTSGender", v.gender);
      out.Number("TTSAge", v.age);
      out.Text("TTSStyle", v.style);
    }
  }
  out.Text("ColorTable", Backslashed(names.color_table));
  for (const auto& entry : info.localized) {
    out.Open("DefineInfo " + Hex4(entry.language_id));
    out.Text("Name", entry.name);
    out.Text("Description", entry.description);
    out.Text("ExtraData", entry.extra_data);
    out.Close("EndInfo");
  }
  out.Close("EndCharacter");
}

void WriteBalloon(Out& out, const BalloonInfo& b) {
  out.Open("DefineBalloon");
  out.Number("NumLines", b.lines);
  out.Number("CharsPerLine", b.chars_per_line);
  out.Text("FontName", b.font_name);
  out.Number("FontHeight", -static_cast<int64_t>(b.font_height));
  std::string style = b.font_weight >= 700 ? "BOLD" : "";
  if (b.italic) style += style.empty() ? "ITALIC" : " | ITALIC";
  if (!style.empty()) out.Value("FontStyle", style);
  out.Value("ForeColor", FormatColor(b.text_color));
  out.Value("BackColor", FormatColor(b.back_color));
  out.Value("BorderColor", FormatColor(b.border_color));
  out.Close("EndBalloon");
}

void WriteFrame(Out& out, const Frame& f, const CharacterDescription& d,
                const AcdFileNames& names) {
  out.Open("DefineFrame");
  out.Number("Duration", f.duration);
  if (f.exit_frame != Frame::kNoExit) out.Number("ExitBranch", f.exit_frame + 1);
  if (f.sound_index >= 0 && static_cast<size_t>(f.sound_index) < d.sounds.size()) {
    out.Text("SoundEffect", Backslashed(names.sounds[f.sound_index]));
  }
  for (const auto& image : f.images) {
    if (image.image_index >= d.images.size()) continue;
    out.Open("DefineImage");
    out.Text("Filename", Backslashed(names.images[image.image_index]));
    if (image.x != 0) out.Number("OffsetX", image.x);
    if (image.y != 0) out.Number("OffsetY", image.y);
    out.Close("EndImage");
  }
  if (!f.branches.empty()) {
    out.Open("DefineBranching");
    for (const auto& b : f.branches) {
      out.Number("BranchTo", b.frame + 1);
      out.Number("Probability", b.probability);
    }
    out.Close("EndBranching");
  }
  for (const auto& o : f.overlays) {
    if (o.image_index >= d.images.size() || MouthName(o.shape).empty()) continue;
    out.Open("DefineMouth");
    out.Value("Type", std::string(MouthName(o.shape)));
    out.Text("Filename", Backslashed(names.images[o.image_index]));
    if (o.x != 0) out.Number("OffsetX", o.x);
    if (o.y != 0) out.Number("OffsetY", o.y);
    if (o.replace) out.Number("ReplaceTopImage", 1);
    // Kept as stored; nothing here draws with them.
    if (o.reference_x != 0) out.Number("Width", o.reference_x);
    if (o.reference_y != 0) out.Number("Height", o.reference_y);
    out.Close("EndMouth");
  }
  out.Close("EndFrame");
}

}  // namespace

std::string FormatAcd(const CharacterDescription& d, const AcdFileNames& names,
                      std::vector<std::string>& warnings) {
  Out out(warnings);
  out.Line("// Character description, as written by zarnplay --unpack-character");
  out.Line("");
  WriteCharacter(out, d, names);
  out.Line("");
  WriteBalloon(out, d.info.balloon);
  for (const auto& a : d.animations) {
    out.Line("");
    out.Open("DefineAnimation " + out.Quoted(a.name));
    out.Number("TransitionType", static_cast<int>(a.transition));
    if (!a.return_animation.empty()) out.Text("Return", a.return_animation);
    for (const auto& f : a.frames) WriteFrame(out, f, d, names);
    out.Close("EndAnimation");
  }
  for (const auto& s : d.info.states) {
    out.Line("");
    out.Open("DefineState " + out.Quoted(s.name));
    for (const auto& a : s.animations) out.Text("Animation", a);
    out.Close("EndState");
  }
  return out.Take();
}

}  // namespace zarn::charfile
