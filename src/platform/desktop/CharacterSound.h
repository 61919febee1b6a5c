#pragma once

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QAudioOutput;
class QMediaPlayer;
class QTemporaryDir;

namespace zarn {

struct CharacterModel;

// Frame sound effects through Qt Multimedia. The WAV files (PCM or ADPCM;
// the media backend decodes them) are written out once each; each
// character has one voice, so a new sound cuts its previous one short.
// Without an audio output nothing plays and nothing fails.
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
  QString FileFor(const std::string& character_id, const CharacterModel& model, int index);

  std::optional<bool> available_;
  std::unique_ptr<QTemporaryDir> dir_;
  std::map<std::pair<std::string, int>, QString> files_;
  std::map<std::string, std::unique_ptr<Voice>> voices_;
};

}  // namespace zarn
