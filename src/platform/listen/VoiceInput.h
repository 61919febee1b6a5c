#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "charengine/CharacterEngine.h"
#include "platform/listen/CommandRecognizer.h"

namespace zarn {

// Hears speech for the engine's input-active character: its commands and
// the service's own are listened for, and what is heard becomes a Command
// event as from a real recognizer. The service's own commands also act:
// "hide", a character's name, the Voice Commands window.
class VoiceInput {
 public:
  // The recognizer is loaded on first use; a missing model only says so.
  VoiceInput(CharacterEngine& engine, ListenModel model);
  ~VoiceInput();

  bool ModelPresent() const { return model_.Present(); }

  // A whole utterance (16 kHz mono) for `character_id`, in its open
  // listening window or else as if the listening key were held while it
  // was said; false when nothing was recognised (no event then).
  bool Hear(const std::string& character_id, std::span<const int16_t> pcm);

  // Live input for `character_id` while its window is open: Begin, Feed
  // (true once the speaker stopped), End (raises the event when a command
  // was heard).
  bool Begin(const std::string& character_id);
  bool Feed(std::span<const int16_t> pcm);
  bool End();

  // What can be said to the character, for a menu: one line per command.
  std::vector<std::string> Phrases(const std::string& character_id) const;

  // The Listening Tip's line after each utterance.
  void OnHeard(std::function<void(const std::string& character_id, const std::string& tip)> told) {
    on_heard_ = std::move(told);
  }
  // The Voice Commands window is asked for (true) or to close (false).
  void OnCommandsWindow(std::function<void(const std::string& character_id, bool open)> told) {
    on_commands_window_ = std::move(told);
  }

 private:
  bool Ready();
  void Prepare(const std::string& character_id);
  bool Raise(const Recognition& heard);
  void ActOnGlobal(size_t global);

  CharacterEngine& engine_;
  ListenModel model_;
  std::unique_ptr<CommandRecognizer> recognizer_;
  bool failed_ = false;
  std::string character_id_;
  std::vector<VoiceCommand> commands_;
  size_t first_global_ = 0;              // commands_ from here on are the service's
  std::vector<std::string> characters_;  // ids, in the order of their name commands
  std::vector<std::string> noted_;       // notes already printed
  bool speaking_ = false;
  std::function<void(const std::string&, const std::string&)> on_heard_;
  std::function<void(const std::string&, bool)> on_commands_window_;
};

// The Command event's payload for what was heard.
UserInput ToUserInput(const std::string& character_id, const std::vector<VoiceCommand>& commands,
                      const Recognition& heard);

// The Listening Tip's line for what was heard: Heard "words", or the best
// command's confidence text when its confidence does not exceed the
// command's threshold; kNotUnderstood when nothing matched.
std::string HeardTip(const std::vector<VoiceCommand>& commands, const Recognition& heard);

}  // namespace zarn
