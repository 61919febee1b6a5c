#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "charengine/CharacterRenderSink.h"
#include "platform/desktop/CharacterBalloon.h"
#include "platform/desktop/CharacterSound.h"
#include "platform/desktop/CharacterWindow.h"

namespace zarn {

class CharacterEngine;
class QtDesktop;
struct Frame;

// The characters the engine plays, on the desktop: a shaped window and a
// balloon each, frame sounds, and the mouse back to the engine.
class CharacterScreen : public CharacterRenderSink {
 public:
  CharacterScreen(CharacterEngine& engine, QtDesktop& desktop);
  ~CharacterScreen() override;

  void VisibilityChanged(const std::string& id, bool visible) override;
  void FrameShown(const std::string& id, const std::string& animation, int frame) override;
  void SoundPlayed(const std::string& id, int sound_index) override;
  void SizeChanged(const std::string& id) override;
  void MoveStarted(const std::string& id, int x, int y, int64_t duration_ms) override;
  // A speech synthesiser starts its audio here and reports mouths through
  // SetMouth once it calls UseSpeechMouths; until then each balloon word
  // opens and closes the mouth.
  void SpeechStarted(const std::string& id, int32_t request, const std::string& balloon_text,
                     const std::string& tagged_text, bool think) override;
  void BalloonWord(const std::string& id, const std::string& word) override;
  void SpeechEnded(const std::string& id) override;
  void SpeechStopped(const std::string& id) override;

  // Mouth shape 0..6 on the speaking frame (-1: the frame as drawn).
  void SetMouth(const std::string& id, int shape);
  void UseSpeechMouths(bool on) { speech_mouths_ = on; }

  // What can be said to a character, for its menu's "Open Voice Commands
  // Window" item; without it there is no such item.
  void SetVoicePhrases(std::function<std::vector<std::string>(const std::string&)> phrases) {
    voice_phrases_ = std::move(phrases);
  }
  // The Listening Tip under the character; empty text takes it away.
  void SetListeningTip(const std::string& id, const std::string& text);
  // The Voice Commands box, opened or closed from the menu or by voice.
  void ShowVoiceCommands(const std::string& id, bool open);

  // Called once, when the first frame of any character is on screen.
  void OnFirstFrame(std::function<void()> callback) { first_frame_ = std::move(callback); }

 private:
  struct Shown;
  Shown& Get(const std::string& id);
  void Redraw(Shown& shown);
  void PlaceBalloon(Shown& shown);
  void StepSlides();
  void ShowMenu(const std::string& id, QPoint at);
  QString VoiceCommandsText(const std::string& id) const;

  CharacterEngine& engine_;
  QtDesktop& desktop_;
  CharacterSound sound_;
  std::map<std::string, std::unique_ptr<Shown>> shown_;
  QTimer slide_timer_;
  QElapsedTimer clock_;
  bool speech_mouths_ = false;
  std::function<void()> first_frame_;
  std::function<std::vector<std::string>(const std::string&)> voice_phrases_;
  std::unique_ptr<QMessageBox> voice_box_;
};

}  // namespace zarn
