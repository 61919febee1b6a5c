#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn {

// What the engine needs of a character: size, voice speed, balloon defaults,
// states and animations. Built from a character file, or in memory by tests.
struct CharacterModel {
  std::vector<LocalizedInfo> localized;
  int width = 128;
  int height = 128;
  uint32_t voice_speed = 0;   // words per minute; 0 = the engine's default
  uint16_t voice_pitch = 0;   // Hz; 0 = the speech engine's own
  uint16_t voice_gender = 0;  // 0 neutral, 1 female, 2 male
  uint32_t style_flags = 0;
  BalloonInfo balloon;
  std::vector<State> states;
  std::vector<Animation> animations;
  // The file the model came from, for renderers; null for in-memory models.
  std::shared_ptr<const CharacterFile> file;
  // The sound effects (whole WAV files) of an in-memory model; a file's
  // stay in the file until asked for.
  std::vector<std::vector<uint8_t>> sounds;

  // The name for a language: its primary language, else English, else the
  // first entry; empty when there is none.
  std::string Name(uint16_t language_id) const;
  // Both ignore letter case; FindState also ignores blanks ("Idling Level 1").
  const Animation* FindAnimation(std::string_view name) const;
  const State* FindState(std::string_view name) const;
  size_t SoundCount() const;
  // Empty when the index is out of range or the sound cannot be read.
  std::vector<uint8_t> SoundBytes(size_t index) const;
};

// Milliseconds a frame stays on screen (the file stores 1/100 s).
inline int64_t FrameMillis(const Frame& frame) { return int64_t{frame.duration} * 10; }

// Reads a character file into a model; throws CharFileError.
CharacterModel LoadCharacterModel(const std::string& path);

}  // namespace zarn
