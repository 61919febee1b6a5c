#include "Builder.h"

#include <cctype>
#include <cmath>

#include "Palette.h"

namespace zarn::demo {

uint32_t Builder::Picture(const std::string& key, std::vector<uint8_t> rgba, int width,
                          int height) {
  auto it = index_by_key_.find(key);
  if (it != index_by_key_.end()) return it->second;
  pending_.push_back({std::move(rgba), width, height});
  const auto index = static_cast<uint32_t>(pending_.size() - 1);
  index_by_key_[key] = index;
  return index;
}

Frame Builder::At(const Pose& pose, uint16_t duration, int16_t exit) {
  const std::string key = "figure " + pose.Key();
  uint32_t image = index_by_key_.count(key)
                       ? index_by_key_[key]
                       : Picture(key, DrawFigure(pose), kFrameSize, kFrameSize);
  Frame f;
  f.images = {{image, 0, 0}};
  f.duration = duration;
  f.exit_frame = exit;
  return f;
}

std::vector<MouthOverlay> Builder::Overlays(const Pose& pose) {
  const Point centre = MouthCentre(pose);
  std::vector<MouthOverlay> overlays;
  for (uint8_t shape = 0; shape < 7; ++shape) {
    const std::string key = "mouth " + std::to_string(shape) + " " + std::to_string(pose.sx);
    MouthOverlay o;
    o.shape = shape;
    o.image_index = static_cast<uint16_t>(
        index_by_key_.count(key)
            ? index_by_key_[key]
            : Picture(key, DrawMouthPatch(shape, pose.sx), kMouthPatchWidth, kMouthPatchHeight));
    o.x = static_cast<int16_t>(std::lround(centre.x - kMouthPatchWidth / 2.0f));
    o.y = static_cast<int16_t>(std::lround(centre.y - kMouthPatchHeight / 2.0f));
    o.reference_x = kMouthPatchWidth / 2;
    o.reference_y = kMouthPatchHeight / 2;
    overlays.push_back(o);
  }
  return overlays;
}

int16_t Builder::Sound(std::vector<uint8_t> wav) {
  d_.sounds.push_back(std::move(wav));
  return static_cast<int16_t>(d_.sounds.size() - 1);
}

Animation& Builder::Add(const std::string& name, TransitionType transition,
                        std::vector<Frame> frames) {
  Animation a;
  a.name = name;
  a.transition = transition;
  a.frames = std::move(frames);
  d_.animations.push_back(std::move(a));
  return d_.animations.back();
}

Animation& Builder::PlayThrough(const std::string& name, std::vector<Frame> frames) {
  for (Frame& f : frames) f.exit_frame = kNext;
  frames.back().exit_frame = kStop;
  return Add(name, TransitionType::kExitBranches, std::move(frames));
}

Animation& Builder::WithReturn(const std::string& name, const std::string& return_name,
                               std::vector<Frame> frames) {
  Animation& a = Add(name, TransitionType::kReturnAnimation, std::move(frames));
  a.return_animation = return_name;
  for (char& c : a.return_animation) c = static_cast<char>(std::toupper(c));
  return a;
}

CharacterDescription Builder::Finish() {
  std::vector<std::vector<uint8_t>*> pictures;
  for (Pending& p : pending_) pictures.push_back(&p.rgba);
  // Slots 0..9 and 246..255 stay for system colours, 10 is transparent.
  auto& palette = d_.info.palette;
  palette = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},   {128, 128, 0},
             {0, 0, 128},     {128, 0, 128},   {0, 128, 128}, {192, 192, 192},
             {192, 220, 192}, {166, 202, 240}, {255, 0, 255}};
  d_.info.transparent_index = 10;
  for (const Color& c : QuantizePictures(pictures, 235)) palette.push_back(c);
  for (const Pending& p : pending_) AddRgbaImage(d_, p.rgba.data(), p.width, p.height);
  return std::move(d_);
}

}  // namespace zarn::demo
