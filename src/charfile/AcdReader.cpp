// Reads the text of a .acd project: blocks opened by Define<Block> and
// closed by End<Block>, "Key = Value" lines inside them, "//" comments.
// Keywords are matched without regard to letter case, as the editor does.

#include <algorithm>
#include <map>

#include "charfile/AcdText.h"
#include "charfile/AcdValues.h"
#include "charfile/CharacterSource.h"

namespace zarn::charfile {
namespace {

enum class Block {
  kTop,
  kCharacter,
  kInfo,
  kBalloon,
  kAnimation,
  kFrame,
  kImage,
  kMouth,
  kBranching,
  kState
};

struct BlockKeyword {
  Block block;
  Block parent;
  std::string_view name;  // Define<name> ... End<name>
};

constexpr BlockKeyword kBlocks[] = {
    {Block::kCharacter, Block::kTop, "Character"}, {Block::kInfo, Block::kCharacter, "Info"},
    {Block::kBalloon, Block::kTop, "Balloon"},     {Block::kAnimation, Block::kTop, "Animation"},
    {Block::kFrame, Block::kAnimation, "Frame"},   {Block::kImage, Block::kFrame, "Image"},
    {Block::kMouth, Block::kFrame, "Mouth"},       {Block::kBranching, Block::kFrame, "Branching"},
    {Block::kState, Block::kTop, "State"},
};

std::string_view NameOf(Block b) {
  for (const auto& k : kBlocks) {
    if (k.block == b) return k.name;
  }
  return "";
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool Is(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string Key(std::string_view file) {
  std::string k;
  for (char c : file) k += c == '\\' ? '/' : Lower(c);
  return k;
}

// A frame reference to check once the animation's frame count is known.
struct Target {
  size_t frame;
  int number;  // as written: counts from 1
  int line;
  const char* what;
};

class Parser {
 public:
  Parser(std::string_view text, const std::string& file) : text_(text), file_(file) {}

  AcdText Run() {
    size_t at = 0;
    while (at <= text_.size()) {
      size_t end = text_.find_first_of("\r\n", at);
      if (end == std::string_view::npos) end = text_.size();
      ++line_;
      Line(TrimBlanks(text_.substr(at, end - at)));
      if (end < text_.size() && text_[end] == '\r' && end + 1 < text_.size() &&
          text_[end + 1] == '\n') {
        ++end;
      }
      at = end + 1;
    }
    if (stack_.size() > 1) {
      line_ = stack_.back().line;
      Fail("Define" + std::string(NameOf(stack_.back().block)) + " has no End" +
           std::string(NameOf(stack_.back().block)));
    }
    if (!saw_character_) {
      line_ = 1;
      Fail("no DefineCharacter block");
    }
    Finish();
    return std::move(out_);
  }

 private:
  struct Open {
    Block block;
    int line;
  };

  [[noreturn]] void Fail(const std::string& what) const {
    throw CharFileError(file_ + ":" + std::to_string(line_) + ": " + what);
  }
  void Warn(const std::string& what) {
    out_.warnings.push_back(file_ + ":" + std::to_string(line_) + ": " + what);
  }

  CharacterDescription& D() { return out_.description; }
  Animation& CurrentAnimation() { return D().animations.back(); }
  Frame& CurrentFrame() { return CurrentAnimation().frames.back(); }

  void Line(std::string_view line) {
    if (line.empty() || line.substr(0, 2) == "//") return;
    size_t blank = line.find_first_of(" \t=");
    std::string_view word = line.substr(0, blank);
    std::string_view rest =
        blank == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(blank));
    if (word.size() > 6 && Is(word.substr(0, 6), "Define")) return OpenBlock(word.substr(6), rest);
    if (word.size() > 3 && Is(word.substr(0, 3), "End") && rest.empty()) {
      return CloseBlock(word.substr(3));
    }
    if (rest.empty() || rest[0] != '=') Fail("unknown keyword \"" + std::string(word) + "\"");
    Value(word, TrimBlanks(rest.substr(1)));
  }

  void OpenBlock(std::string_view name, std::string_view rest) {
    const BlockKeyword* keyword = nullptr;
    for (const auto& k : kBlocks) {
      if (Is(k.name, name)) keyword = &k;
    }
    if (keyword == nullptr) Fail("unknown keyword \"Define" + std::string(name) + "\"");
    if (keyword->parent != stack_.back().block) {
      std::string where = stack_.back().block == Block::kTop
                              ? "at the top level"
                              : "inside Define" + std::string(NameOf(stack_.back().block));
      Fail("Define" + std::string(keyword->name) + " cannot stand " + where);
    }
    stack_.push_back({keyword->block, line_});
    std::string label(Unquoted(rest));
    switch (keyword->block) {
      case Block::kCharacter:
        if (saw_character_) Fail("a second DefineCharacter");
        saw_character_ = true;
        break;
      case Block::kInfo: {
        auto language = ParseInteger(rest);
        if (!language || *language < 0 || *language > 0xFFFF) {
          Fail("DefineInfo needs a language number such as 0x0409");
        }
        D().info.localized.push_back({static_cast<uint16_t>(*language), "", "", ""});
        break;
      }
      case Block::kBalloon:
        if (saw_balloon_) Fail("a second DefineBalloon");
        saw_balloon_ = true;
        break;
      case Block::kAnimation: {
        if (label.empty()) Fail("DefineAnimation needs a name in quotes");
        auto [it, fresh] = animation_lines_.emplace(Key(label), line_);
        if (!fresh) {
          Fail("animation \"" + label + "\" is defined twice (first at line " +
               std::to_string(it->second) + ")");
        }
        Animation animation;
        animation.name = label;
        D().animations.push_back(std::move(animation));
        targets_.clear();
        break;
      }
      case Block::kFrame:
        CurrentAnimation().frames.emplace_back();
        frame_has_duration_ = false;
        break;
      case Block::kImage:
        CurrentFrame().images.emplace_back();
        file_named_ = false;
        break;
      case Block::kMouth:
        CurrentFrame().overlays.emplace_back();
        file_named_ = false;
        mouth_typed_ = false;
        break;
      case Block::kBranching:
        break;
      case Block::kState:
        if (label.empty()) Fail("DefineState needs a name in quotes");
        D().info.states.push_back({label, {}});
        break;
      case Block::kTop:
        break;
    }
  }

  void CloseBlock(std::string_view name) {
    const Open open = stack_.back();
    if (open.block == Block::kTop || !Is(NameOf(open.block), name)) {
      if (open.block == Block::kTop) Fail("End" + std::string(name) + " without a Define");
      Fail("End" + std::string(name) + " where End" + std::string(NameOf(open.block)) +
           " was expected (Define" + std::string(NameOf(open.block)) + " at line " +
           std::to_string(open.line) + ")");
    }
    switch (open.block) {
      case Block::kFrame:
        if (!frame_has_duration_) {
          untimed_.push_back({D().animations.size() - 1, CurrentAnimation().frames.size() - 1});
        }
        break;
      case Block::kImage:
      case Block::kMouth:
        if (!file_named_) Fail("Define" + std::string(name) + " without a Filename");
        if (open.block == Block::kMouth && !mouth_typed_) Fail("DefineMouth without a Type");
        break;
      case Block::kAnimation:
        CheckTargets(open.line);
        break;
      default:
        break;
    }
    stack_.pop_back();
  }

  void CheckTargets(int define_line) {
    const Animation& a = CurrentAnimation();
    if (a.frames.empty()) {
      // Real characters have such animations; they play as nothing.
      const int end_line = line_;
      line_ = define_line;
      Warn("animation \"" + a.name + "\" has no frames");
      line_ = end_line;
    }
    for (const Target& t : targets_) {
      if (t.number < 1 || static_cast<size_t>(t.number) > a.frames.size()) {
        line_ = t.line;
        Fail(std::string(t.what) + " to frame " + std::to_string(t.number) + ", but \"" + a.name +
             "\" has " + std::to_string(a.frames.size()) +
             (a.frames.size() == 1 ? " frame" : " frames"));
      }
    }
  }

  int64_t Number(std::string_view key, std::string_view value, int64_t min, int64_t max) {
    auto v = ParseInteger(value);
    if (!v) Fail(std::string(key) + ": \"" + std::string(value) + "\" is not a number");
    if (*v < min || *v > max) {
      Fail(std::string(key) + " = " + std::to_string(*v) + " is out of range (" +
           std::to_string(min) + " to " + std::to_string(max) + ")");
    }
    return *v;
  }

  Guid GuidValue(std::string_view key, std::string_view value) {
    auto g = ParseGuid(value);
    if (!g) Fail(std::string(key) + ": \"" + std::string(value) + "\" is not a GUID");
    return *g;
  }

  Color ColorValue(std::string_view key, std::string_view value) {
    auto c = ParseColor(value);
    if (!c) Fail(std::string(key) + ": \"" + std::string(value) + "\" is not a colour (00BBGGRR)");
    return *c;
  }

  size_t FileIndex(std::vector<AcdFileUse>& list, std::map<std::string, size_t>& index,
                   std::string_view value) {
    std::string name(Unquoted(value));
    if (name.empty()) Fail("an empty file name");
    auto [it, fresh] = index.emplace(Key(name), list.size());
    if (fresh) list.push_back({name, line_});
    return it->second;
  }

  [[noreturn]] void Unknown(std::string_view key) {
    Fail("unknown keyword \"" + std::string(key) + "\" in Define" +
         std::string(NameOf(stack_.back().block)));
  }

  void Value(std::string_view key, std::string_view value) {
    switch (stack_.back().block) {
      case Block::kTop:
        Fail("\"" + std::string(key) + "\" outside any Define block");
      case Block::kCharacter:
        return CharacterValue(key, value);
      case Block::kInfo:
        return InfoValue(key, value);
      case Block::kBalloon:
        return BalloonValue(key, value);
      case Block::kAnimation:
        return AnimationValue(key, value);
      case Block::kFrame:
        return FrameValue(key, value);
      case Block::kImage:
      case Block::kMouth:
        return ImageValue(key, value);
      case Block::kBranching:
        return BranchValue(key, value);
      case Block::kState:
        if (!Is(key, "Animation")) Unknown(key);
        D().info.states.back().animations.emplace_back(Unquoted(value));
        state_refs_.push_back({D().info.states.size() - 1, line_});
        return;
    }
  }

  void CharacterValue(std::string_view key, std::string_view value) {
    CharacterInfo& info = D().info;
    VoiceInfo& voice = info.voice;
    if (Is(key, "GUID")) {
      info.guid = GuidValue(key, value);
    } else if (Is(key, "Width")) {
      info.width = static_cast<uint16_t>(Number(key, value, 1, kMaxImageSide));
    } else if (Is(key, "Height")) {
      info.height = static_cast<uint16_t>(Number(key, value, 1, kMaxImageSide));
    } else if (Is(key, "Transparency")) {
      info.transparent_index = static_cast<uint8_t>(Number(key, value, 0, 255));
    } else if (Is(key, "DefaultFrameDuration")) {
      default_duration_ = static_cast<uint16_t>(Number(key, value, 0, 0xFFFF));
    } else if (Is(key, "Style")) {
      Style(value);
    } else if (Is(key, "ColorTable")) {
      out_.color_table = AcdFileUse{std::string(Unquoted(value)), line_};
    } else if (Is(key, "Icon")) {
      out_.icon = AcdFileUse{std::string(Unquoted(value)), line_};
    } else if (Is(key, "TTSEngineID")) {
      voice.engine_id = GuidValue(key, value);
    } else if (Is(key, "TTSModeID")) {
      voice.mode_id = GuidValue(key, value);
    } else if (Is(key, "TTSSpeed")) {
      voice.speed = static_cast<uint32_t>(Number(key, value, 0, 0xFFFFFFFF));
    } else if (Is(key, "TTSPitch")) {
      voice.pitch = static_cast<uint16_t>(Number(key, value, 0, 0xFFFF));
    } else if (Is(key, "TTSLangID")) {
      voice.language_id = static_cast<uint16_t>(Number(key, value, 0, 0xFFFF));
      voice.has_extra = true;
    } else if (Is(key, "TTSLangDialect")) {
      voice.dialect = Unquoted(value);
      voice.has_extra = true;
    } else if (Is(key, "TTSGender")) {
      voice.gender = static_cast<uint16_t>(Number(key, value, 0, 2));
      voice.has_extra = true;
    } else if (Is(key, "TTSAge")) {
      voice.age = static_cast<uint16_t>(Number(key, value, 0, 0xFFFF));
      voice.has_extra = true;
    } else if (Is(key, "TTSStyle")) {
      voice.style = Unquoted(value);
      voice.has_extra = true;
    } else {
      Unknown(key);
    }
  }

  void Style(std::string_view value) {
    uint32_t flags = 0;
    std::string_view rest = Unquoted(value);
    while (!rest.empty()) {
      size_t bar = rest.find('|');
      std::string_view token = TrimBlanks(rest.substr(0, bar));
      rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
      if (token.empty()) continue;
      bool known = false;
      for (size_t i = 0; i < kStyleNameCount; ++i) {
        if (Is(kStyleNames[i].name, token)) {
          flags |= kStyleNames[i].flag;
          known = true;
        }
      }
      if (!known) Fail("unknown style \"" + std::string(token) + "\"");
    }
    saw_style_ = true;
    D().info.style_flags = flags;
    D().info.voice.present = (flags & char_style::kVoiceEnabled) != 0;
    D().info.balloon.present = (flags & char_style::kBalloonEnabled) != 0;
  }

  void InfoValue(std::string_view key, std::string_view value) {
    LocalizedInfo& entry = D().info.localized.back();
    if (Is(key, "Name")) {
      entry.name = Unquoted(value);
    } else if (Is(key, "Description")) {
      entry.description = Unquoted(value);
    } else if (Is(key, "ExtraData")) {
      entry.extra_data = Unquoted(value);
    } else {
      Unknown(key);
    }
  }

  void BalloonValue(std::string_view key, std::string_view value) {
    BalloonInfo& b = D().info.balloon;
    if (Is(key, "NumLines")) {
      b.lines = static_cast<uint8_t>(Number(key, value, 1, 255));
    } else if (Is(key, "CharsPerLine")) {
      b.chars_per_line = static_cast<uint8_t>(Number(key, value, 1, 255));
    } else if (Is(key, "FontName")) {
      b.font_name = Unquoted(value);
    } else if (Is(key, "FontHeight")) {
      // The editor gives the glyph height; the file keeps it negative.
      b.font_height = static_cast<int32_t>(-Number(key, value, -0xFFFF, 0xFFFF));
    } else if (Is(key, "FontStyle")) {
      b.font_weight = 400;
      b.italic = false;
      std::string_view rest = Unquoted(value);
      while (!rest.empty()) {
        size_t bar = rest.find('|');
        std::string_view token = TrimBlanks(rest.substr(0, bar));
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
        if (Is(token, "BOLD")) {
          b.font_weight = 700;
        } else if (Is(token, "ITALIC")) {
          b.italic = true;
        } else if (!token.empty()) {
          Fail("unknown font style \"" + std::string(token) + "\" (BOLD, ITALIC)");
        }
      }
    } else if (Is(key, "ForeColor")) {
      b.text_color = ColorValue(key, value);
    } else if (Is(key, "BackColor")) {
      b.back_color = ColorValue(key, value);
    } else if (Is(key, "BorderColor")) {
      b.border_color = ColorValue(key, value);
    } else {
      Unknown(key);
    }
  }

  void AnimationValue(std::string_view key, std::string_view value) {
    Animation& a = CurrentAnimation();
    if (Is(key, "TransitionType")) {
      a.transition = static_cast<TransitionType>(Number(key, value, 0, 2));
    } else if (Is(key, "Return")) {
      a.return_animation = Unquoted(value);
      return_refs_.push_back({D().animations.size() - 1, line_});
    } else {
      Unknown(key);
    }
  }

  void FrameValue(std::string_view key, std::string_view value) {
    Frame& f = CurrentFrame();
    size_t index = CurrentAnimation().frames.size() - 1;
    if (Is(key, "Duration")) {
      f.duration = static_cast<uint16_t>(Number(key, value, 0, 0xFFFF));
      frame_has_duration_ = true;
    } else if (Is(key, "ExitBranch")) {
      // Frames count from 1; 0 is none and -1 lets the animation end here.
      int64_t n = Number(key, value, -1, 0x7FFF);
      f.exit_frame = static_cast<int16_t>(n - 1);
      if (n > 0) targets_.push_back({index, static_cast<int>(n), line_, "an exit branch"});
    } else if (Is(key, "SoundEffect")) {
      f.sound_index = static_cast<int16_t>(FileIndex(out_.sounds, sound_index_, value));
      if (out_.sounds.size() > 0x7FFF) Fail("too many sounds");
    } else {
      Unknown(key);
    }
  }

  void ImageValue(std::string_view key, std::string_view value) {
    const bool mouth = stack_.back().block == Block::kMouth;
    Frame& f = CurrentFrame();
    if (Is(key, "Filename")) {
      size_t i = FileIndex(out_.images, image_index_, value);
      if (mouth && i > 0xFFFF) Fail("too many images");
      if (mouth) {
        f.overlays.back().image_index = static_cast<uint16_t>(i);
      } else {
        f.images.back().image_index = static_cast<uint32_t>(i);
      }
      file_named_ = true;
    } else if (Is(key, "OffsetX") || Is(key, "OffsetY")) {
      auto v = static_cast<int16_t>(Number(key, value, -0x8000, 0x7FFF));
      bool x = Is(key, "OffsetX");
      if (mouth) {
        (x ? f.overlays.back().x : f.overlays.back().y) = v;
      } else {
        (x ? f.images.back().x : f.images.back().y) = v;
      }
    } else if (mouth && Is(key, "Type")) {
      auto shape = MouthShape(Unquoted(value));
      if (!shape) {
        Fail("unknown mouth type \"" + std::string(value) +
             "\" (Closed, OpenWide1 to OpenWide4, OpenMedium, OpenNarrow)");
      }
      f.overlays.back().shape = *shape;
      mouth_typed_ = true;
    } else if (mouth && (Is(key, "Width") || Is(key, "Height"))) {
      auto v = static_cast<uint16_t>(Number(key, value, 0, 0xFFFF));
      (Is(key, "Width") ? f.overlays.back().reference_x : f.overlays.back().reference_y) = v;
    } else if (mouth && Is(key, "ReplaceTopImage")) {
      f.overlays.back().replace = Number(key, value, 0, 1) != 0;
    } else {
      Unknown(key);
    }
  }

  void BranchValue(std::string_view key, std::string_view value) {
    Frame& f = CurrentFrame();
    if (Is(key, "BranchTo")) {
      int64_t n = Number(key, value, 1, 0x7FFF);
      f.branches.push_back({static_cast<uint16_t>(n - 1), 0});
      targets_.push_back(
          {CurrentAnimation().frames.size() - 1, static_cast<int>(n), line_, "a branch"});
    } else if (Is(key, "Probability")) {
      if (f.branches.empty()) Fail("Probability before its BranchTo");
      f.branches.back().probability = static_cast<uint16_t>(Number(key, value, 0, 100));
    } else {
      Unknown(key);
    }
  }

  bool Defined(const std::string& name) const { return animation_lines_.count(Key(name)) != 0; }

  // Files in name order, not in order of first use: a project written
  // with numbered files builds its images and sounds in their old order.
  static std::vector<size_t> SortByName(std::vector<AcdFileUse>& list) {
    std::vector<size_t> order(list.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return Key(list[a].name) < Key(list[b].name); });
    std::vector<size_t> new_index(list.size());
    std::vector<AcdFileUse> sorted;
    for (size_t n = 0; n < order.size(); ++n) {
      new_index[order[n]] = n;
      sorted.push_back(std::move(list[order[n]]));
    }
    list = std::move(sorted);
    return new_index;
  }

  void RenumberFiles() {
    const std::vector<size_t> images = SortByName(out_.images);
    const std::vector<size_t> sounds = SortByName(out_.sounds);
    for (auto& a : D().animations) {
      for (auto& f : a.frames) {
        for (auto& image : f.images)
          image.image_index = static_cast<uint32_t>(images[image.image_index]);
        for (auto& o : f.overlays) o.image_index = static_cast<uint16_t>(images[o.image_index]);
        if (f.sound_index >= 0) f.sound_index = static_cast<int16_t>(sounds[f.sound_index]);
      }
    }
  }

  void Finish() {
    RenumberFiles();
    // Without a Style line the editor's defaults hold: a balloon, no voice.
    if (!saw_style_) D().info.balloon.present = true;
    for (auto [animation, frame] : untimed_) {
      D().animations[animation].frames[frame].duration = default_duration_;
    }
    for (auto [state, line] : state_refs_) {
      for (const auto& name : D().info.states[state].animations) {
        if (!Defined(name)) {
          line_ = line;
          Fail("state \"" + D().info.states[state].name + "\" names animation \"" + name +
               "\", which is not defined");
        }
      }
    }
    for (auto [animation, line] : return_refs_) {
      const std::string& name = D().animations[animation].return_animation;
      if (!name.empty() && !Defined(name)) {
        line_ = line;
        Warn("return animation \"" + name + "\" is not defined");
      }
    }
  }

  std::string_view text_;
  const std::string& file_;
  int line_ = 0;
  AcdText out_;
  std::vector<Open> stack_{{Block::kTop, 0}};
  bool saw_character_ = false;
  bool saw_balloon_ = false;
  bool saw_style_ = false;
  bool frame_has_duration_ = false;
  bool file_named_ = false;
  bool mouth_typed_ = false;
  uint16_t default_duration_ = 10;
  std::map<std::string, int> animation_lines_;
  std::map<std::string, size_t> image_index_, sound_index_;
  std::vector<Target> targets_;
  std::vector<std::pair<size_t, size_t>> untimed_;
  std::vector<std::pair<size_t, int>> state_refs_, return_refs_;
};

}  // namespace

AcdText ParseAcd(std::string_view text, const std::string& file_name) {
  AcdText parsed = Parser(text, file_name).Run();
  CharacterInfo& info = parsed.description.info;
  if (info.width == 0) info.width = 128;  // the editor's default frame size
  if (info.height == 0) info.height = 128;
  return parsed;
}

}  // namespace zarn::charfile
