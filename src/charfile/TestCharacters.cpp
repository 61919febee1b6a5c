#include "charfile/TestCharacters.h"

#include <cmath>
#include <filesystem>
#include <map>

#include "charfile/Canvas.h"

namespace zarn {
namespace {

using charfile::Canvas;
using charfile::Rgba;

constexpr Rgba kYellow{250, 210, 60, 255};
constexpr Rgba kOrange{230, 120, 30, 255};
constexpr Rgba kBlack{20, 20, 20, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kRed{200, 40, 40, 255};
constexpr Rgba kBlue{40, 90, 210, 255};

Guid MakeGuid(uint32_t a, uint16_t b, uint16_t c, uint8_t last) {
  return Guid{a, b, c, {0x97, 0xA3, 0x00, 0x60, 0x08, 0x27, 0x30, last}};
}

// A mono 8-bit 11025 Hz WAV: a 440 Hz square tone of `samples` samples.
std::vector<uint8_t> ToneWav(uint32_t samples) {
  std::vector<uint8_t> wav;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint32_t v) {
    wav.push_back(static_cast<uint8_t>(v));
    wav.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  u32(36 + samples);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(11025);
  u32(11025);
  u16(1);
  u16(8);
  tag("data");
  u32(samples);
  for (uint32_t i = 0; i < samples; ++i) wav.push_back((i / 12) % 2 ? 0xC0 : 0x40);
  return wav;
}

LocalizedInfo Entry(uint16_t language, std::string name, std::string description) {
  return LocalizedInfo{language, std::move(name), std::move(description), ""};
}

Frame MakeFrame(std::vector<FrameImage> images, uint16_t duration, int16_t exit_frame) {
  Frame f;
  f.images = std::move(images);
  f.duration = duration;
  f.exit_frame = exit_frame;
  return f;
}

class PipBuilder {
 public:
  PipBuilder() {
    auto& info = d_.info;
    info.guid = MakeGuid(0x5A524E01, 0x0001, 0x11F0, 0x01);
    info.width = 128;
    info.height = 128;
    info.transparent_index = 10;
    info.palette.assign(11, Color{0, 0, 0});
    info.palette[10] = Color{255, 0, 255};
    info.style_flags = char_style::kStandardAnimationSet;
    info.voice.present = true;
    info.voice.engine_id = MakeGuid(0x5A524E02, 0x0002, 0x11F0, 0xFF);
    info.voice.mode_id = MakeGuid(0x5A524E02, 0x0002, 0x11F0, 0x01);
    info.voice.speed = 160;
    info.voice.pitch = 120;
    info.voice.has_extra = true;
    info.voice.language_id = 0x0409;
    info.voice.gender = 1;
    info.voice.age = 30;
    info.voice.style = "Normal";
    info.balloon.present = true;
    info.balloon.lines = 3;
    info.balloon.chars_per_line = 32;
    info.balloon.font_name = "Arial";
    info.localized = {Entry(0x0407, "Pieps", "Eine Testfigur"),
                      Entry(0x0409, "Pip", "A small test character")};
    Canvas icon(16, 16);
    icon.FillEllipse(8, 8, 7, 7, kYellow);
    icon.FillEllipse(6, 6, 1, 1, kBlack);
    icon.FillEllipse(10, 6, 1, 1, kBlack);
    info.tray_icon = MakeTrayIcon(icon.Data(), 16, 16);
    d_.sounds.push_back(ToneWav(2205));
  }

  CharacterDescription Build() {
    Add("Show", 10, TransitionType::kExitBranches, PlayThrough);
    Hide();
    RestPose();
    Explain();
    Wave();
    Add("Greet", 8, TransitionType::kExitBranches, PlayThrough).frames[0].sound_index = 0;
    Processing();
    Add("ProcessingReturn", 3, TransitionType::kNone, PlayThrough);
    Add("Blink", 3, TransitionType::kExitBranches, StopAnywhere);
    Add("Idle1_1", 5, TransitionType::kExitBranches, StopAnywhere).frames[4].branches = {{2, 50}};
    for (const char* name : {"Idle1_2", "Idle2_1", "Idle2_2"}) {
      Add(name, 4, TransitionType::kExitBranches, StopAnywhere);
    }
    for (const char* name : {"Idle3_1", "Idle3_2"}) {
      Add(name, 6, TransitionType::kExitBranches, StopAnywhere);
    }
    for (const char* dir : {"Left", "Right", "Up", "Down"}) {
      Add(std::string("Move") + dir, 4, TransitionType::kExitBranches, PlayThrough);
    }
    for (const char* dir : {"Left", "Right", "Up", "Down"}) {
      Animation& a =
          Add(std::string("Gesture") + dir, 5, TransitionType::kExitBranches, [](int i, int n) {
            return i == n - 1 ? -2 : i == 0 ? -1 : n - 1;
          });
      a.frames.back().overlays = Overlays(false);
    }
    for (const char* dir : {"Left", "Right", "Up", "Down"}) {
      Add(std::string("Look") + dir, 3, TransitionType::kExitBranches, PlayThrough);
    }
    Add("Alert", 3, TransitionType::kExitBranches, PlayThrough);
    Add("Hearing1", 2, TransitionType::kExitBranches, PlayThrough);
    Add("Acknowledge", 4, TransitionType::kExitBranches, PlayThrough);
    Animation empty;
    empty.name = "Empty";
    d_.animations.push_back(empty);

    auto state = [](std::string name, std::vector<std::string> animations) {
      return State{std::move(name), std::move(animations)};
    };
    d_.info.states = {
        state("SHOWING", {"SHOW"}),
        state("HIDING", {"HIDE"}),
        state("SPEAKING", {"RESTPOSE"}),
        state("MOVINGLEFT", {"MOVELEFT"}),
        state("MOVINGRIGHT", {"MOVERIGHT"}),
        state("MOVINGUP", {"MOVEUP"}),
        state("MOVINGDOWN", {"MOVEDOWN"}),
        state("GESTURINGLEFT", {"GESTURELEFT"}),
        state("GESTURINGRIGHT", {"GESTURERIGHT"}),
        state("GESTURINGUP", {"GESTUREUP"}),
        state("GESTURINGDOWN", {"GESTUREDOWN"}),
        state("IDLINGLEVEL1", {"IDLE1_1", "IDLE1_2", "BLINK"}),
        state("IDLINGLEVEL2", {"IDLE2_1", "IDLE2_2"}),
        state("IDLINGLEVEL3", {"IDLE3_1", "IDLE3_2"}),
        state("LISTENING", {"ALERT"}),
        state("HEARING", {"HEARING1"}),
    };
    return std::move(d_);
  }

 private:
  using ExitRule = int (*)(int index, int count);
  static int PlayThrough(int i, int n) { return i == n - 1 ? -2 : -1; }
  static int StopAnywhere(int, int) { return -2; }

  // A cached image by key, drawn on first use.
  template <typename Draw>
  uint32_t Image(const std::string& key, int w, int h, Draw draw) {
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    Canvas c(w, h);
    draw(c);
    uint32_t index = AddRgbaImage(d_, c.Data(), w, h);
    cache_[key] = index;
    return index;
  }

  uint32_t Body(int lean) {
    return Image("body" + std::to_string(lean), 128, 128, [&](Canvas& c) {
      c.FillEllipse(64 + lean, 84, 40, 38, kYellow);
      c.FillEllipse(64 + lean, 98, 24, 18, kWhite);
      c.FillRect(44 + lean, 118, 58 + lean, 126, kOrange);
      c.FillRect(70 + lean, 118, 84 + lean, 126, kOrange);
    });
  }
  uint32_t Head(int eyes, int mouth) {
    return Image("head" + std::to_string(eyes) + "_" + std::to_string(mouth), 64, 48,
                 [&](Canvas& c) {
                   c.FillEllipse(32, 24, 30, 22, kYellow);
                   c.FillEllipse(20 + eyes, 18, 4, eyes == 9 ? 1 : 5, kBlack);
                   c.FillEllipse(44 + eyes, 18, 4, eyes == 9 ? 1 : 5, kBlack);
                   c.FillEllipse(32, 36, 8, 1 + mouth, kRed);
                 });
  }
  uint32_t Arm(int angle) {
    return Image("arm" + std::to_string(angle), 24, 40, [&](Canvas& c) {
      for (int t = 0; t < 36; ++t) {
        int x = 12 + static_cast<int>(std::lround(t * std::sin(angle * 0.2) / 3));
        c.FillEllipse(x, 38 - t, 3, 2, kOrange);
      }
    });
  }
  uint32_t Mouth(int shape) {
    return Image("mouth" + std::to_string(shape), 24, 14, [&](Canvas& c) {
      int open = shape == 0 ? 0 : shape <= 4 ? shape + 1 : shape == 5 ? 3 : 4;
      int wide = shape == 6 ? 4 : shape == 5 ? 7 : 10;
      c.FillEllipse(12, 7, wide, open, kRed);
      c.FillRect(12 - wide, 7, 12 + wide + 1, 8, kBlack);
    });
  }

  // Frame i of an animation: head on top, then a moving arm, then the body.
  std::vector<FrameImage> Pose(int seed, int i) {
    int lean = (seed + i) % 3 - 1;
    int eyes = (seed + i) % 4 == 3 ? 9 : (seed % 3) - 1;
    int16_t arm_x = static_cast<int16_t>(i % 4 == 2 ? -6 : 88 + lean);
    return {{Head(eyes, 0), static_cast<int16_t>(32 + lean), 20},
            {Arm((seed * 3 + i) % 8), arm_x, 60},
            {Body(lean), 0, 0}};
  }

  std::vector<MouthOverlay> Overlays(bool replace) {
    std::vector<MouthOverlay> overlays;
    for (uint8_t shape = 0; shape < 7; ++shape) {
      MouthOverlay o;
      o.shape = shape;
      o.replace = replace;
      if (replace) {
        o.image_index = static_cast<uint16_t>(Head(0, shape));
        o.x = 32;
        o.y = 20;
        o.reference_x = 32;
        o.reference_y = 36;
      } else {
        o.image_index = static_cast<uint16_t>(Mouth(shape));
        o.x = 52;
        o.y = 49;
        o.reference_x = 12;
        o.reference_y = 7;
      }
      overlays.push_back(o);
    }
    return overlays;
  }

  Animation& Add(const std::string& name, int frames, TransitionType transition, ExitRule exits) {
    Animation a;
    a.name = name;
    a.transition = transition;
    int seed = static_cast<int>(d_.animations.size());
    for (int i = 0; i < frames; ++i) {
      a.frames.push_back(
          MakeFrame(Pose(seed, i), kPipFrameDuration, static_cast<int16_t>(exits(i, frames))));
    }
    d_.animations.push_back(std::move(a));
    return d_.animations.back();
  }

  void Hide() {
    Animation& a = Add("Hide", 8, TransitionType::kNone, [](int, int) { return -1; });
    a.frames.push_back(MakeFrame({}, 0, -1));
  }
  void RestPose() {
    Animation& a = Add("RestPose", 1, TransitionType::kNone, StopAnywhere);
    a.frames[0].overlays = Overlays(false);
  }
  void Explain() {
    Animation& a = Add("Explain", 4, TransitionType::kExitBranches,
                       [](int i, int n) { return i == n - 1 ? -2 : n - 1; });
    a.frames.back().images[0] = {Head(0, 0), 32, 20};
    a.frames.back().overlays = Overlays(true);
  }
  void Wave() {
    Animation& a = Add("Wave", 6, TransitionType::kExitBranches, [](int i, int n) {
      return i == n - 1 ? -2 : i == 0 ? -1 : n - 1;
    });
    a.frames[0].sound_index = 0;
  }
  void Processing() {
    Animation& a = Add("Processing", 4, TransitionType::kReturnAnimation, StopAnywhere);
    a.return_animation = "PROCESSINGRETURN";
    a.frames[3].branches = {{0, 100}};
  }

  CharacterDescription d_;
  std::map<std::string, uint32_t> cache_;
};

// One simple animation per name: `frames` frames of 10/100 s, each showing
// the image at `image`.
Animation Simple(const std::string& name, int frames, uint32_t image) {
  Animation a;
  a.name = name;
  a.transition = TransitionType::kExitBranches;
  for (int i = 0; i < frames; ++i) {
    a.frames.push_back(
        MakeFrame({{image, 0, 0}}, 10, static_cast<int16_t>(i + 1 == frames ? -2 : -1)));
  }
  return a;
}

// xorshift: the same pictures on every machine.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};

}  // namespace

CharacterDescription PipCharacter() { return PipBuilder().Build(); }

CharacterDescription MiniCharacter() {
  CharacterDescription d;
  d.info.guid = MakeGuid(0x5A524E01, 0x0002, 0x11F0, 0x02);
  d.info.width = 32;
  d.info.height = 32;
  d.info.transparent_index = 0;
  d.info.palette = {{0, 255, 0}};
  d.info.localized = {Entry(0x0009, "Mini", "The smallest character")};
  Canvas c(32, 32);
  c.FillEllipse(16, 16, 12, 12, kBlue);
  c.FillEllipse(12, 12, 2, 2, kWhite);
  c.FillEllipse(20, 12, 2, 2, kWhite);
  d.animations.push_back(Simple("RestPose", 1, AddRgbaImage(d, c.Data(), 32, 32)));
  return d;
}

CharacterDescription GiantCharacter() {
  CharacterDescription d;
  d.info.guid = MakeGuid(0x5A524E01, 0x0003, 0x11F0, 0x03);
  d.info.width = 1100;
  d.info.height = 900;
  d.info.transparent_index = 0;
  d.info.palette = {{255, 0, 255}};
  d.info.balloon.present = true;
  d.info.localized = {Entry(0x0409, "Giant", "Larger than a 1024 x 768 screen")};
  Canvas c(1100, 900);
  c.FillEllipse(550, 500, 500, 390, kBlue);
  c.FillEllipse(400, 350, 60, 60, kWhite);
  c.FillEllipse(700, 350, 60, 60, kWhite);
  c.FillEllipse(550, 650, 200, 40, kRed);
  uint32_t image = AddRgbaImage(d, c.Data(), 1100, 900);
  d.animations = {Simple("Show", 2, image), Simple("RestPose", 1, image), Simple("Hide", 2, image)};
  d.info.states = {{"SHOWING", {"SHOW"}}, {"HIDING", {"HIDE"}}, {"SPEAKING", {"RESTPOSE"}}};
  return d;
}

CharacterDescription LoopyCharacter() {
  CharacterDescription d;
  d.info.guid = MakeGuid(0x5A524E01, 0x0005, 0x11F0, 0x05);
  d.info.width = 64;
  d.info.height = 64;
  d.info.transparent_index = 0;
  d.info.palette = {{255, 0, 255}};
  d.info.balloon.present = true;
  d.info.localized = {Entry(0x0409, "Loopy", "Loops, sounds and idling")};
  Canvas c(64, 64);
  c.FillEllipse(32, 32, 28, 28, kOrange);
  c.FillEllipse(24, 24, 3, 3, kBlack);
  c.FillEllipse(40, 24, 3, 3, kBlack);
  const uint32_t image = AddRgbaImage(d, c.Data(), 64, 64);
  d.sounds.push_back(ToneWav(22050));
  auto add = [&](const std::string& name, int frames, TransitionType transition,
                 std::vector<int16_t> exits) -> Animation& {
    Animation a;
    a.name = name;
    a.transition = transition;
    for (int i = 0; i < frames; ++i) {
      const int16_t exit = exits.empty() ? (i + 1 == frames ? -2 : -1) : exits[i];
      a.frames.push_back(MakeFrame({{image, 0, 0}}, 10, exit));
    }
    d.animations.push_back(std::move(a));
    return d.animations.back();
  };
  add("Show", 2, TransitionType::kExitBranches, {});
  add("Hide", 2, TransitionType::kExitBranches, {});
  add("RestPose", 1, TransitionType::kNone, {-2});
  add("Gesture", 8, TransitionType::kExitBranches, {-1, 7, 7, 7, 7, 7, -1, -2}).frames[6].branches =
      {{4, 50}};
  add("Spin", 5, TransitionType::kNone, {-1, 4, 4, 4, -2}).frames[3].branches = {{1, 100}};
  add("Whirl", 5, TransitionType::kExitBranches, {-1, 4, 4, 4, -2}).frames[3].branches = {{1, 100}};
  add("Chime", 1, TransitionType::kNone, {-2}).frames[0].sound_index = 0;
  // Frames 2 and 4 have no images and no time: a branching hub and the end
  // every exit leads to.
  Animation& wave = add("Wave", 5, TransitionType::kExitBranches, {4, 4, 4, 4, -2});
  for (int blank : {2, 4}) {
    wave.frames[blank].images.clear();
    wave.frames[blank].duration = 0;
  }
  wave.frames[2].branches = {{3, 100}};
  Animation& bow = add("Bow", 2, TransitionType::kReturnAnimation, {});
  bow.return_animation = "BOWRETURN";
  add("BowReturn", 2, TransitionType::kNone, {});
  for (const char* name : {"Idle1", "Idle2", "Idle3"}) {
    add(name, 3, TransitionType::kExitBranches, {-2, -2, -2});
  }
  d.info.states = {{"SHOWING", {"SHOW"}},       {"HIDING", {"HIDE"}},
                   {"SPEAKING", {"RESTPOSE"}},  {"IDLINGLEVEL1", {"IDLE1"}},
                   {"IDLINGLEVEL2", {"IDLE2"}}, {"IDLINGLEVEL3", {"IDLE3"}}};
  return d;
}

CharacterDescription RealisticCharacter(int image_count, uint32_t seed) {
  CharacterDescription d;
  d.info.guid = MakeGuid(0x5A524E01, 0x0004, 0x11F0, 0x04);
  d.info.width = 160;
  d.info.height = 128;
  d.info.transparent_index = 0;
  // Two 100-step shading ramps, as real characters use most of the palette.
  d.info.palette.push_back({255, 0, 255});
  for (int i = 0; i < 100; ++i) {
    d.info.palette.push_back({static_cast<uint8_t>(120 + i), static_cast<uint8_t>(60 + i), 20});
  }
  for (int i = 0; i < 100; ++i) {
    d.info.palette.push_back({40, static_cast<uint8_t>(60 + i), static_cast<uint8_t>(120 + i)});
  }
  d.info.localized = {Entry(0x0409, "Bench", "A character of realistic size")};
  Random random{seed | 1};
  for (int n = 0; n < image_count; ++n) {
    ImageDescription image;
    image.width = 160;
    image.height = 128;
    image.indices.assign(160 * 128, 0);
    int cx = 80 + static_cast<int>(random.Next() % 9) - 4;
    int cy = 70 + static_cast<int>(random.Next() % 9) - 4;
    int ramp = 1 + 100 * static_cast<int>(random.Next() % 2);
    for (int y = 0; y < 128; ++y) {
      for (int x = 0; x < 160; ++x) {
        int dx = x - cx, dy = y - cy;
        if (dx * dx * 3600 + dy * dy * 2500 > 3600 * 2500) continue;  // 50 x 60 ellipse
        // Diagonal shading, dithered with a little noise like real artwork.
        int shade = 50 + (dx - dy) / 3;
        uint32_t r = random.Next();
        if (r % 9 == 0) shade += static_cast<int>((r >> 8) % 5) - 2;
        shade = shade < 0 ? 0 : shade > 99 ? 99 : shade;
        image.indices[y * 160 + x] = static_cast<uint8_t>(ramp + shade);
      }
    }
    d.images.push_back(std::move(image));
  }
  constexpr int kFramesPerAnimation = 12;
  for (int a = 0; a * kFramesPerAnimation < image_count; ++a) {
    Animation animation;
    animation.name = "Anim" + std::to_string(a);
    animation.transition = TransitionType::kExitBranches;
    for (int i = 0; i < kFramesPerAnimation && a * kFramesPerAnimation + i < image_count; ++i) {
      animation.frames.push_back(
          MakeFrame({{static_cast<uint32_t>(a * kFramesPerAnimation + i), 0, 0}}, 10, -2));
    }
    d.animations.push_back(std::move(animation));
  }
  d.sounds.push_back(ToneWav(11025));
  return d;
}

std::vector<std::string> WriteTestCharacters(const std::string& folder) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (auto& [name, description] :
       {std::pair{"Pip.acs", PipCharacter()}, std::pair{"Mini.acs", MiniCharacter()},
        std::pair{"Giant.acs", GiantCharacter()}, std::pair{"Loopy.acs", LoopyCharacter()}}) {
    std::string path = (std::filesystem::path(folder) / name).string();
    WriteCharacterFile(description, path);
    paths.push_back(path);
  }
  return paths;
}

}  // namespace zarn
