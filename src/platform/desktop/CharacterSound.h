#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "backend/WaveDecoder.h"

namespace zarn {

struct CharacterModel;

// Frame sound effects, decoded once each (PCM or ADPCM, libsndfile) and
// played through a Qt audio sink, as speech is: a media player would load
// the whole media backend before a character's first frame. Each character
// has one voice, so a new sound cuts its previous one short. Without an
// audio output nothing plays and nothing fails.
class CharacterSound {
 public:
  CharacterSound();
  ~CharacterSound();

  void Play(const std::string& character_id, const CharacterModel& model, int index);
  void Stop(const std::string& character_id);
  // Whether sound can be heard at all (decided at the first sound).
  bool Available();

 private:
  struct Voice;
  const PcmAudio* SoundFor(const std::string& character_id, const CharacterModel& model, int index);
  static void Discard(std::unique_ptr<Voice> voice);

  std::optional<bool> available_;
  // Nothing for a sound that cannot be read: it is not tried again.
  std::map<std::pair<std::string, int>, std::optional<PcmAudio>> sounds_;
  std::map<std::string, std::unique_ptr<Voice>> voices_;
};

}  // namespace zarn
