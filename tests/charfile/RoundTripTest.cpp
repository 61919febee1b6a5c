#include <gtest/gtest.h>

#include <filesystem>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterWriter.h"
#include "charfile/TestCharacters.h"

namespace zarn {
namespace {

// The writer stores the voice/balloon bits from `present`; expect the same.
CharacterInfo Normalized(CharacterInfo info) {
  info.style_flags &= ~(char_style::kVoiceDisabled | char_style::kVoiceEnabled |
                        char_style::kBalloonDisabled | char_style::kBalloonEnabled);
  info.style_flags |= info.voice.present ? char_style::kVoiceEnabled : char_style::kVoiceDisabled;
  info.style_flags |=
      info.balloon.present ? char_style::kBalloonEnabled : char_style::kBalloonDisabled;
  return info;
}

void ExpectRoundTrip(const CharacterDescription& d) {
  CharacterFile file = CharacterFile::FromBytes(WriteCharacter(d));
  EXPECT_EQ(file.Info(), Normalized(d.info));
  EXPECT_EQ(file.Animations(), d.animations);
  ASSERT_EQ(file.ImageCount(), d.images.size());
  for (size_t i = 0; i < d.images.size(); ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    const ImageDescription& want = d.images[i];
    DecodedImage got = file.DecodeImage(i);
    if (want.empty) {
      EXPECT_EQ(got.width, 0);
      continue;
    }
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    ASSERT_EQ(got.indices, want.indices);
    ASSERT_EQ(got.rgba.size(), want.indices.size() * 4);
    for (size_t p = 0; p < want.indices.size(); ++p) {
      uint8_t index = want.indices[p];
      const uint8_t* px = &got.rgba[p * 4];
      if (file.IsTransparent(index)) {
        ASSERT_EQ(px[3], 0) << "pixel " << p;
      } else {
        const Color& c = d.info.palette[index];
        ASSERT_EQ(px[0], c.r);
        ASSERT_EQ(px[1], c.g);
        ASSERT_EQ(px[2], c.b);
        ASSERT_EQ(px[3], 255);
      }
    }
    if (want.with_region) {
      EXPECT_EQ(got.region, OutlineOf(want, d.info));
    } else {
      EXPECT_TRUE(got.region.empty());
    }
  }
  ASSERT_EQ(file.SoundCount(), d.sounds.size());
  for (size_t i = 0; i < d.sounds.size(); ++i) EXPECT_EQ(file.SoundBytes(i), d.sounds[i]);
}

TEST(CharacterRoundTrip, TestCharactersReadBackIdentical) {
  struct Case {
    const char* name;
    CharacterDescription description;
  };
  Case cases[] = {{"Pip", PipCharacter()}, {"Mini", MiniCharacter()}, {"Giant", GiantCharacter()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRoundTrip(c.description);
  }
}

// Every optional and awkward case the writer can express.
CharacterDescription Variants() {
  CharacterDescription d = MiniCharacter();
  CharacterInfo& info = d.info;
  info.width = 13;  // rows need padding
  info.height = 7;
  info.transparent_index = 200;
  info.palette.assign(128, Color{1, 2, 3});
  for (size_t i = 0; i < 128; ++i) info.palette[i] = {uint8_t(i), uint8_t(2 * i), uint8_t(255 - i)};
  info.style_flags = char_style::kBalloonSizeToText | char_style::kBalloonAutoPaceOff;
  info.voice.present = true;  // default speed and pitch, no extra data
  info.balloon.present = true;
  info.balloon.text_color = {1, 2, 3};
  info.balloon.italic = true;
  info.balloon.font_name = "日本語 😀";
  info.localized = {{0x0411, "キャラ😀", "説明", "phrase~~phrase"}};
  info.states = {{"EMPTYSTATE", {}}, {"SPEAKING", {"A", "B"}}};
  d.images.clear();
  std::vector<uint8_t> pixels(13 * 7);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 37) % 130);
  d.images.push_back({13, 7, pixels});
  d.images.push_back({13, 7, pixels, false, false, true});    // raw pixels
  d.images.push_back({13, 7, pixels, false, true, false});    // no region
  d.images.push_back({0, 0, {}, true});                       // empty record
  d.images.push_back({5, 3, std::vector<uint8_t>(15, 200)});  // all transparent sprite
  d.sounds = {std::vector<uint8_t>(100, 0x80), {}};
  Animation a;
  a.name = "Mixed_Case";
  a.transition = TransitionType::kReturnAnimation;
  a.return_animation = "MIXED_CASERETURN";
  Frame f;
  f.images = {{4, -3, -2}, {0, 0, 0}, {70000, 1, 1}};
  f.sound_index = -2;
  f.duration = 0;
  f.exit_frame = 0;
  f.branches = {{0, 33}, {1, 33}, {2, 34}};
  MouthOverlay o;
  o.shape = 6;
  o.replace = true;
  o.image_index = 1;
  o.x = -1;
  o.y = 2;
  o.reference_x = 3;
  o.reference_y = 4;
  o.has_region = true;
  o.region = {1, 2, 3};
  f.overlays = {o};
  a.frames = {f, Frame{}};
  d.animations = {a, Animation{"NoFrames", TransitionType::kNone, "", {}}};
  return d;
}

TEST(CharacterRoundTrip, EveryOptionalAndAwkwardFieldReadsBack) { ExpectRoundTrip(Variants()); }

TEST(CharacterRoundTrip, WrittenFileOpensFromDisk) {
  std::string dir = std::string(ZARN_BINARY_DIR) + "/charfile_roundtrip";
  std::vector<std::string> paths = WriteTestCharacters(dir);
  ASSERT_EQ(paths.size(), 4u);
  const char* names[] = {"Pip", "Mini", "Giant", "Loopy"};
  for (size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    EXPECT_EQ(CharacterFile::Open(paths[i]).Name(), names[i]);
  }
  EXPECT_GT(CharacterFile::Open(paths[2]).Width(), 1024);
  std::filesystem::remove_all(dir);
}

TEST(CharacterRoundTrip, PipHasTheDocumentedShape) {
  CharacterFile pip = CharacterFile::FromBytes(WriteCharacter(PipCharacter()));
  EXPECT_EQ(pip.Name(), "Pip");
  EXPECT_EQ(pip.Name(0x0407), "Pieps");
  EXPECT_EQ(pip.Width(), 128);
  EXPECT_EQ(pip.Height(), 128);
  struct Case {
    const char* animation;
    size_t frames;
    uint32_t total;
  };
  const Case cases[] = {
      {"Show", 10, 100}, {"Hide", 9, 80},       {"RestPose", 1, 10},         {"Wave", 6, 60},
      {"Greet", 8, 80},  {"Processing", 4, 40}, {"ProcessingReturn", 3, 30}, {"GestureLeft", 5, 50},
      {"Empty", 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.animation);
    const Animation* a = pip.FindAnimation(c.animation);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->frames.size(), c.frames);
    EXPECT_EQ(a->TotalDuration(), c.total);
  }
  ASSERT_NE(pip.FindState("Idling Level 1"), nullptr);
  EXPECT_EQ(pip.FindState("idlinglevel1")->animations.size(), 3u);
  EXPECT_EQ(pip.FindAnimation("processing")->return_animation, "PROCESSINGRETURN");
  EXPECT_EQ(pip.FindAnimation("RestPose")->frames[0].overlays.size(), 7u);
  EXPECT_TRUE(pip.FindAnimation("Explain")->frames.back().overlays[0].replace);
  EXPECT_EQ(pip.FindAnimation("Wave")->frames[0].sound_index, 0);
  ASSERT_TRUE(pip.Tray().has_value());
  EXPECT_EQ(pip.Tray()->width, 16);
  EXPECT_EQ(pip.Tray()->rgba[3], 0);                       // corner: outside the circle
  EXPECT_EQ(pip.Tray()->rgba[(8 * 16 + 8) * 4 + 3], 255);  // centre
}

}  // namespace
}  // namespace zarn
