// Fennet, the demo character the build draws: what scripts and the engine
// rely on, checked on the file the build wrote.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "charfile/CharacterFile.h"

namespace zarn {
namespace {

const CharacterFile& Fennet() {
  static const CharacterFile file =
      CharacterFile::Open(std::string(ZARN_BINARY_DIR) + "/characters/Fennet.acs");
  return file;
}

TEST(DemoCharacterTest, HasTheAnimationsAndStatesScriptsExpect) {
  const CharacterFile& f = Fennet();
  EXPECT_EQ(f.Name(), "Fennet");
  for (const char* name :
       {"Show",        "Hide",       "RestPose",    "Blink",        "Idle1_1",   "Idle1_2",
        "Idle2_1",     "Idle2_2",    "Idle3_1",     "Idle3_2",      "MoveLeft",  "MoveRight",
        "MoveUp",      "MoveDown",   "GestureLeft", "GestureRight", "GestureUp", "GestureDown",
        "LookLeft",    "LookRight",  "LookUp",      "LookDown",     "Wave",      "Greet",
        "Think",       "Processing", "Explain",     "Pleased",      "Surprised", "Congratulate",
        "Acknowledge", "Decline",    "Alert",       "Hearing1"}) {
    const Animation* a = f.FindAnimation(name);
    ASSERT_NE(a, nullptr) << name;
    EXPECT_FALSE(a->frames.empty()) << name;
  }
  for (const char* state :
       {"Showing", "Hiding", "Speaking", "MovingLeft", "MovingRight", "MovingUp", "MovingDown",
        "GesturingLeft", "GesturingRight", "GesturingUp", "GesturingDown", "IdlingLevel1",
        "IdlingLevel2", "IdlingLevel3", "Listening", "Hearing"}) {
    const State* s = f.FindState(state);
    ASSERT_NE(s, nullptr) << state;
    ASSERT_FALSE(s->animations.empty()) << state;
    for (const auto& name : s->animations) EXPECT_NE(f.FindAnimation(name), nullptr) << name;
  }
}

// Every animation must be playable to its end and stoppable: targets in
// range, exit branches that reach an end without a cycle, return
// animations that exist, overlays only on the speaking (last) frame.
TEST(DemoCharacterTest, EveryAnimationIsWellFormed) {
  const CharacterFile& f = Fennet();
  std::set<std::string> looping, with_sound, speaking;
  for (const Animation& a : f.Animations()) {
    SCOPED_TRACE(a.name);
    const int n = static_cast<int>(a.frames.size());
    if (a.transition == TransitionType::kReturnAnimation) {
      EXPECT_NE(f.FindAnimation(a.return_animation), nullptr) << a.return_animation;
    }
    std::set<uint32_t> pictures;
    for (int i = 0; i < n; ++i) {
      const Frame& frame = a.frames[i];
      int chance = 0;
      for (const Branch& b : frame.branches) {
        EXPECT_LT(b.frame, n);
        chance += b.probability;
      }
      EXPECT_LE(chance, 100);
      if (chance == 100) looping.insert(a.name);
      for (const FrameImage& image : frame.images) {
        EXPECT_LT(image.image_index, f.ImageCount());
        pictures.insert(image.image_index);
      }
      if (frame.sound_index >= 0) {
        ASSERT_LT(static_cast<size_t>(frame.sound_index), f.SoundCount());
        with_sound.insert(a.name);
      }
      if (!frame.overlays.empty()) {
        EXPECT_EQ(i, n - 1) << "overlays on frame " << i;
        std::set<int> shapes;
        for (const MouthOverlay& o : frame.overlays) {
          shapes.insert(o.shape);
          EXPECT_LT(o.image_index, f.ImageCount());
        }
        EXPECT_EQ(shapes.size(), 7u);
        speaking.insert(a.name);
      }
      // Asked to stop at frame i, the exit branches end it within n steps.
      int at = i, steps = 0;
      while (at < n && a.frames[at].exit_frame != Frame::kExitHere && steps <= n) {
        const int16_t exit = a.frames[at].exit_frame;
        EXPECT_TRUE(exit == Frame::kNoExit || (exit >= 0 && exit < n)) << exit;
        at = exit == Frame::kNoExit ? at + 1 : exit;
        ++steps;
      }
      EXPECT_LE(steps, n) << "exit branches from frame " << i << " never end";
    }
    if (n > 1) {
      EXPECT_GE(pictures.size(), 2u) << "the frames never change";
    }
  }
  EXPECT_EQ(looping, std::set<std::string>{"Processing"});
  for (const char* name : {"Show", "Hide", "Wave", "Greet"}) {
    EXPECT_TRUE(with_sound.count(name)) << name;
  }
  for (const char* name : {"RestPose", "GestureLeft", "GestureRight", "GestureUp", "GestureDown",
                           "Think", "Explain"}) {
    EXPECT_TRUE(speaking.count(name)) << name;
  }
}

TEST(DemoCharacterTest, PicturesSoundsAndIconDecode) {
  const CharacterFile& f = Fennet();
  for (size_t i = 0; i < f.ImageCount(); ++i) {
    const DecodedImage image = f.DecodeImage(i);
    EXPECT_LE(image.width, f.Width());
    EXPECT_LE(image.height, f.Height());
    size_t opaque = 0;
    for (size_t p = 3; p < image.rgba.size(); p += 4) opaque += image.rgba[p] != 0;
    EXPECT_GT(opaque, 0u) << "image " << i << " is blank";
  }
  for (size_t i = 0; i < f.SoundCount(); ++i) {
    const auto wav = f.SoundBytes(i);
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 12), "WAVE");
  }
  ASSERT_TRUE(f.Tray().has_value());
  EXPECT_EQ(f.Tray()->width, 16);
}

}  // namespace
}  // namespace zarn
