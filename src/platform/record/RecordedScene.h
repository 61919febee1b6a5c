#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "charengine/CharacterRenderSink.h"
#include "platform/render/BalloonLook.h"
#include "platform/speech/EspeakSpeech.h"
#include "ports/Scheduler.h"

namespace zarn {

class AudioMix;
class CharacterEngine;
struct CharacterModel;
struct Frame;

// The characters as a recording sees them: what the engine shows, kept as
// state stamped with virtual time, drawn into any frame at any later
// time (slides, mouths and balloons that hide by themselves move on by the
// frame's own time). Sounds go into the mix at the time they start.
class RecordedScene : public CharacterRenderSink {
 public:
  RecordedScene(const Scheduler& clock, AudioMix& mix, QSize screen);
  // The engine whose characters are drawn; before it plays anything.
  void Attach(CharacterEngine& engine) { engine_ = &engine; }
  ~RecordedScene() override;

  // For the engine: speech is timed by each character's voice (as `rules`
  // give it), and the audio it timed is what the recording hears. Null
  // when espeak-ng cannot start.
  SpeechPlanner Planner(VoiceRules rules);

  void VisibilityChanged(const std::string& id, bool visible) override;
  void FrameShown(const std::string& id, const std::string& animation, int frame) override;
  void SoundPlayed(const std::string& id, int sound_index) override;
  void MoveStarted(const std::string& id, int x, int y, int64_t duration_ms) override;
  void SpeechStarted(const std::string& id, int32_t request, const std::string& balloon_text,
                     const std::string& tagged_text, bool think) override;
  void BalloonWord(const std::string& id, const std::string& word) override;
  void SpeechSoundStarted(const std::string& id, const std::string& path) override;
  void SpeechEnded(const std::string& id) override;
  void SpeechStopped(const std::string& id) override;

  // Draws every character and balloon as they are at `at_ms`, which is
  // not before the last change.
  void Paint(QPainter& painter, Millis at_ms);

 private:
  struct Shown;
  Shown& Get(const std::string& id);
  QPoint PositionAt(const Shown& shown, Millis at) const;
  int MouthAt(const Shown& shown, Millis at) const;
  void StopSpeech(Shown& shown);
  void StartSpeechAudio(Shown& shown, SpokenSpeech speech);

  CharacterEngine* engine_ = nullptr;
  const Scheduler& clock_;
  AudioMix& mix_;
  QRect screen_;
  bool espeak_ = false;
  KeptSpeeches kept_;
  std::map<std::string, std::unique_ptr<Shown>> shown_;
  // Drawing order: the most recently shown on top.
  std::vector<std::string> order_;
};

}  // namespace zarn
