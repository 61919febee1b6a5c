#include "platform/desktop/CharacterSound.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFile>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QUrl>
#include <iostream>

#include "charengine/CharacterModel.h"

namespace zarn {

struct CharacterSound::Voice {
  QAudioOutput output;
  QMediaPlayer player;
  Voice() { player.setAudioOutput(&output); }
};

CharacterSound::CharacterSound() = default;
CharacterSound::~CharacterSound() = default;

bool CharacterSound::Available() {
  if (!available_) {
    // With no sound server Qt lists no output; players would then never
    // finish, so sounds are left out rather than played into nothing.
    available_ = !QMediaDevices::audioOutputs().isEmpty();
    if (!*available_) std::cerr << "zarnplay: no audio output; sound effects are not played\n";
  }
  return *available_;
}

QString CharacterSound::FileFor(const std::string& character_id, const CharacterModel& model,
                                int index) {
  const auto key = std::make_pair(character_id, index);
  if (auto found = files_.find(key); found != files_.end()) return found->second;
  QString path;
  if (!dir_) dir_ = std::make_unique<QTemporaryDir>();
  const std::vector<uint8_t> bytes = model.SoundBytes(static_cast<size_t>(index));
  if (dir_->isValid() && !bytes.empty()) {
    QFile file(dir_->filePath(QString("sound%1.wav").arg(files_.size())));
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size())) {
      path = file.fileName();
    }
  }
  files_[key] = path;  // an unreadable sound is not tried again
  return path;
}

void CharacterSound::Play(const std::string& character_id, const CharacterModel& model, int index) {
  if (index < 0 || !Available()) return;
  const QString path = FileFor(character_id, model, index);
  if (path.isEmpty()) return;
  std::unique_ptr<Voice>& voice = voices_[character_id];
  if (!voice) voice = std::make_unique<Voice>();
  voice->player.stop();
  voice->player.setSource(QUrl::fromLocalFile(path));
  voice->player.play();
}

void CharacterSound::Stop(const std::string& character_id) {
  if (auto found = voices_.find(character_id); found != voices_.end()) found->second->player.stop();
}

}  // namespace zarn
