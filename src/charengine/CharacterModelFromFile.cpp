#include <utility>

#include "charengine/CharacterModel.h"

namespace zarn {

// Kept apart from the model so that in-memory use does not pull in the reader.
CharacterModel LoadCharacterModel(const std::string& path) {
  auto file = std::make_shared<const CharacterFile>(CharacterFile::Open(path));
  CharacterModel model;
  const CharacterInfo& info = file->Info();
  model.localized = info.localized;
  model.width = info.width;
  model.height = info.height;
  const VoiceInfo& voice = info.voice;
  if (voice.present && voice.speed != VoiceInfo::kDefaultSpeed) model.voice_speed = voice.speed;
  if (voice.present && voice.pitch != VoiceInfo::kDefaultPitch) model.voice_pitch = voice.pitch;
  if (voice.present && voice.has_extra) model.voice_gender = voice.gender;
  model.style_flags = info.style_flags;
  model.balloon = info.balloon;
  model.states = info.states;
  model.animations = file->Animations();
  model.file = std::move(file);
  return model;
}

}  // namespace zarn
