#include "charengine/CharacterModel.h"

#include "base/VbString.h"

namespace zarn {

std::string CharacterModel::Name(uint16_t language_id) const {
  if (localized.empty()) return {};
  auto primary = [](uint16_t id) { return id & 0x3FF; };
  for (const auto& entry : localized) {
    if (primary(entry.language_id) == primary(language_id)) return entry.name;
  }
  for (const auto& entry : localized) {
    if (primary(entry.language_id) == 0x09) return entry.name;
  }
  return localized.front().name;
}

const Animation* CharacterModel::FindAnimation(std::string_view name) const {
  for (const auto& animation : animations) {
    if (EqualsNoCase(animation.name, name)) return &animation;
  }
  return nullptr;
}

const State* CharacterModel::FindState(std::string_view name) const {
  const std::string wanted = RemoveBlanks(name);
  for (const auto& state : states) {
    if (EqualsNoCase(RemoveBlanks(state.name), wanted)) return &state;
  }
  return nullptr;
}

size_t CharacterModel::SoundCount() const { return file ? file->SoundCount() : sounds.size(); }

std::vector<uint8_t> CharacterModel::SoundBytes(size_t index) const {
  if (index >= SoundCount()) return {};
  if (!file) return sounds[index];
  try {
    return file->SoundBytes(index);
  } catch (const CharFileError&) {
    return {};
  }
}

}  // namespace zarn
