#pragma once

#include <QIODevice>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

class QAudioSource;

namespace zarn {

class VoiceInput;

// The default microphone feeding the recognizer while the engine keeps a
// listening window open; what was heard becomes a Command event on Close.
class QtMicrophone {
 public:
  explicit QtMicrophone(VoiceInput& voice);
  ~QtMicrophone();

  // False (with one line on stderr, once) without a microphone or model.
  bool Open(const std::string& character_id);
  void Close();
  bool IsOpen() const { return device_ != nullptr; }
  // Told when hearing starts (true) and stops (false).
  void OnListening(std::function<void(const std::string& character_id, bool open)> told) {
    on_listening_ = std::move(told);
  }
  // Told once the speaker has stopped, out of Qt's audio call.
  void OnSpeechEnd(std::function<void(const std::string& character_id)> told) {
    on_speech_end_ = std::move(told);
  }

 private:
  class Sink;
  void Take(const char* data, size_t size);

  VoiceInput& voice_;
  std::unique_ptr<QAudioSource> source_;
  std::unique_ptr<Sink> device_;
  int rate_ = 0;
  int channels_ = 0;
  bool is_float_ = false;
  bool told_ = false;
  bool closing_ = false;
  std::string listener_;
  std::function<void(const std::string&, bool)> on_listening_;
  std::function<void(const std::string&)> on_speech_end_;
};

// Polls the listening key (Scroll Lock unless the settings file names
// another X key): `pressed` hears when it goes down and up.
class ListeningKey {
 public:
  // `current` gives the character that listens ("" for none).
  ListeningKey(std::function<std::string()> current,
               std::function<void(const std::string& character_id, bool down)> pressed);

  // "ListeningKey=NAME" from $XDG_CONFIG_HOME/zarnplay/listening.conf (or
  // ~/.config/...); Scroll_Lock when the file or the line is missing.
  static std::string KeyName();

 private:
  void Poll();

  std::function<std::string()> current_;
  std::function<void(const std::string&, bool)> pressed_;
  std::string holder_;  // who the key went down for
  QTimer poll_;
  unsigned keycode_ = 0;
  bool held_ = false;
};

}  // namespace zarn
