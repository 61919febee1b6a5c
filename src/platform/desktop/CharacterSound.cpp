#include "platform/desktop/CharacterSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QMediaDevices>
#include <iostream>

#include "charengine/CharacterModel.h"

namespace zarn {

struct CharacterSound::Voice {
  QByteArray bytes;
  QBuffer buffer{&bytes};
  std::unique_ptr<QAudioSink> sink;
};

CharacterSound::CharacterSound() = default;

CharacterSound::~CharacterSound() {
  for (auto& [id, voice] : std::exchange(voices_, {})) Discard(std::move(voice));
}

bool CharacterSound::Available() {
  if (!available_) {
    // With no sound server Qt lists no output; sounds are then left out
    // rather than played into nothing.
    available_ = !QMediaDevices::audioOutputs().isEmpty();
    if (!*available_) std::cerr << "zarnplay: no audio output; sound effects are not played\n";
  }
  return *available_;
}

const PcmAudio* CharacterSound::SoundFor(const std::string& character_id,
                                         const CharacterModel& model, int index) {
  const auto key = std::make_pair(character_id, index);
  auto found = sounds_.find(key);
  if (found == sounds_.end()) {
    std::optional<PcmAudio> sound;
    const std::vector<uint8_t> bytes = model.SoundBytes(static_cast<size_t>(index));
    if (!bytes.empty()) {
      WaveDecodeResult decoded = DecodeWave(bytes);
      if (decoded && decoded.audio.channels > 0) sound = std::move(decoded.audio);
    }
    found = sounds_.emplace(key, std::move(sound)).first;
  }
  return found->second ? &*found->second : nullptr;
}

// Stopping or destroying a sink may run the event loop (PulseAudio drains
// the stream): a voice goes only once it has left voices_.
void CharacterSound::Discard(std::unique_ptr<Voice> voice) {
  if (voice && voice->sink) voice->sink->stop();
  voice.reset();
}

void CharacterSound::Play(const std::string& character_id, const CharacterModel& model, int index) {
  if (index < 0 || !Available()) return;
  const PcmAudio* sound = SoundFor(character_id, model, index);
  if (sound == nullptr) return;
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) return;
  auto voice = std::make_unique<Voice>();
  voice->bytes = QByteArray(reinterpret_cast<const char*>(sound->samples.data()),
                            static_cast<qsizetype>(sound->samples.size() * sizeof(int16_t)));
  voice->buffer.open(QIODevice::ReadOnly);
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(sound->sample_rate));
  format.setChannelCount(sound->channels);
  format.setSampleFormat(QAudioFormat::Int16);
  voice->sink = std::make_unique<QAudioSink>(device, format);
  voice->sink->start(&voice->buffer);
  Discard(std::exchange(voices_[character_id], std::move(voice)));
}

void CharacterSound::Stop(const std::string& character_id) {
  auto found = voices_.find(character_id);
  if (found == voices_.end()) return;
  std::unique_ptr<Voice> voice = std::move(found->second);
  voices_.erase(found);
  Discard(std::move(voice));
}

}  // namespace zarn
