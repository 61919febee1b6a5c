#pragma once

#include <QIODevice>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

class QAudioSource;

namespace zarn {

class VoiceInput;

// The default microphone feeding the recognizer through listening windows:
// one opens, lasts until its time runs out, the speaker stops or Close,
// and what was heard then becomes a Command event.
class QtMicrophone {
 public:
  explicit QtMicrophone(VoiceInput& voice);
  ~QtMicrophone();

  // False (with one line on stderr, once) without a microphone or model.
  bool Open(const std::string& character_id, int window_ms);
  void Close();
  bool IsOpen() const { return device_ != nullptr; }
  // Told when a listening window opens (true) and closes (false).
  void OnListening(std::function<void(const std::string& character_id, bool open)> told) {
    on_listening_ = std::move(told);
  }

 private:
  class Sink;
  void Take(const char* data, size_t size);

  VoiceInput& voice_;
  std::unique_ptr<QAudioSource> source_;
  std::unique_ptr<Sink> device_;
  QTimer window_;
  int rate_ = 0;
  int channels_ = 0;
  bool is_float_ = false;
  bool told_ = false;
  bool closing_ = false;
  std::string listener_;
  std::function<void(const std::string&, bool)> on_listening_;
};

// Polls the listening key (Scroll Lock unless the settings file names
// another X key): holding it keeps a listening window open.
class ListeningKey {
 public:
  // `current` gives the character that listens ("" for none).
  ListeningKey(QtMicrophone& microphone, std::function<std::string()> current);

  // "ListeningKey=NAME" from $XDG_CONFIG_HOME/zarnplay/listening.conf (or
  // ~/.config/...); Scroll_Lock when the file or the line is missing.
  static std::string KeyName();

 private:
  void Poll();

  QtMicrophone& microphone_;
  std::function<std::string()> current_;
  QTimer poll_;
  unsigned keycode_ = 0;
  bool held_ = false;
};

}  // namespace zarn
