#pragma once

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backend/WaveDecoder.h"
#include "charengine/CharacterRenderSink.h"
#include "charengine/SpeechTiming.h"
#include "platform/render/SpeechSound.h"
#include "platform/speech/EspeakSpeech.h"

class QAudioSink;
class QBuffer;

namespace zarn {

class CharacterScreen;

// Puts espeak-ng's voice to what the characters say: the engine times
// speech with the planner given here, which keeps the audio it timed; when
// the engine then starts that speech, the audio plays and the mouth
// follows its phonemes on the wall clock. Everything else goes on to the
// screen. Without a sound device the mouths and timing stay.
class DesktopSpeech : public CharacterRenderSink {
 public:
  DesktopSpeech();
  ~DesktopSpeech() override;

  // For the engine, which exists before the screen it draws on; each
  // character speaks with the voice `rules` give it. Null when espeak-ng
  // cannot start (then speech keeps the word model).
  SpeechPlanner Planner(VoiceRules rules);
  // Must come before the engine draws anything.
  void Attach(CharacterScreen& screen);

  void VisibilityChanged(const std::string& id, bool visible) override;
  void FrameShown(const std::string& id, const std::string& animation, int frame) override;
  void SoundPlayed(const std::string& id, int sound_index) override;
  void SizeChanged(const std::string& id) override;
  void MoveStarted(const std::string& id, int x, int y, int64_t duration_ms) override;
  void SpeechStarted(const std::string& id, int32_t request, const std::string& balloon_text,
                     const std::string& tagged_text, bool think) override;
  void BalloonWord(const std::string& id, const std::string& word) override;
  void SpeechSoundStarted(const std::string& id, const std::string& path) override;
  void SpeechEnded(const std::string& id) override;
  void SpeechStopped(const std::string& id) override;

 private:
  struct Speaking {
    SpokenSpeech speech;
    QByteArray bytes;
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<QAudioSink> sink;
    QElapsedTimer clock;
    size_t next_event = 0;
  };
  void Play(const std::string& id, SpokenSpeech speech, const QAudioFormat& format);
  void Stop(const std::string& id);
  void Discard(std::unique_ptr<Speaking> speaking);
  void StepMouths();

  CharacterScreen* screen_ = nullptr;
  bool started_ = false;
  bool audio_ = true;
  QAudioFormat format_;
  KeptSpeeches kept_;
  std::map<std::string, std::unique_ptr<Speaking>> speaking_;
  QTimer mouth_timer_;
};

}  // namespace zarn
