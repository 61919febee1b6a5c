#pragma once

// Collects Fennet's frames, sounds and animations; pictures are kept in
// RGBA until Finish() chooses the palette for all of them.

#include <map>
#include <string>
#include <vector>

#include "Figure.h"
#include "charfile/CharacterWriter.h"

namespace zarn::demo {

inline constexpr int16_t kNext = Frame::kNoExit;
inline constexpr int16_t kStop = Frame::kExitHere;

class Builder {
 public:
  CharacterDescription& Description() { return d_; }

  // A frame showing `pose` for `duration` hundredths of a second.
  Frame At(const Pose& pose, uint16_t duration, int16_t exit = kNext);
  // The seven mouth overlays for a speaking frame showing `pose`.
  std::vector<MouthOverlay> Overlays(const Pose& pose);
  // Adds a sound; returns its index for Frame::sound_index.
  int16_t Sound(std::vector<uint8_t> wav);

  Animation& Add(const std::string& name, TransitionType transition, std::vector<Frame> frames);
  // An animation that plays through and may stop only at its end.
  Animation& PlayThrough(const std::string& name, std::vector<Frame> frames);
  // Same, ending on a pose held until `return_name` plays.
  Animation& WithReturn(const std::string& name, const std::string& return_name,
                        std::vector<Frame> frames);

  // Quantises every picture onto one palette and stores the images.
  CharacterDescription Finish();

 private:
  uint32_t Picture(const std::string& key, std::vector<uint8_t> rgba, int width, int height);

  struct Pending {
    std::vector<uint8_t> rgba;
    int width, height;
  };
  CharacterDescription d_;
  std::vector<Pending> pending_;
  std::map<std::string, uint32_t> index_by_key_;
};

// The animation families, each in its own file.
void AddAppearing(Builder& b);  // Show, Hide, RestPose, Blink, idles
void AddMoving(Builder& b);     // Move*, Gesture*, Look* and their returns
void AddActing(Builder& b);     // Wave, Greet, Think, Processing, moods

}  // namespace zarn::demo
