#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "charengine/CharacterEngine.h"
#include "platform/listen/CommandRecognizer.h"

namespace zarn {

// Hears speech for the engine's input-active character: its commands and
// the service's own are listened for, and what is heard becomes a Command
// event as from a real recognizer.
class VoiceInput {
 public:
  // The recognizer is loaded on first use; a missing model only says so.
  VoiceInput(CharacterEngine& engine, ListenModel model);
  ~VoiceInput();

  bool ModelPresent() const { return model_.Present(); }

  // A whole utterance (16 kHz mono) for `character_id`; false when nothing
  // was recognised (no event then, as with the service).
  bool Hear(const std::string& character_id, std::span<const int16_t> pcm);

  // Live input for `character_id`: Begin, Feed (true once the speaker
  // stopped), End (raises the event when a command was heard).
  bool Begin(const std::string& character_id);
  bool Feed(std::span<const int16_t> pcm);
  bool End();

  // What can be said to the character, for a menu: one line per command.
  std::vector<std::string> Phrases(const std::string& character_id) const;

 private:
  bool Ready();
  void Prepare(const std::string& character_id);
  bool Raise(const Recognition& heard);

  CharacterEngine& engine_;
  ListenModel model_;
  std::unique_ptr<CommandRecognizer> recognizer_;
  bool failed_ = false;
  std::string character_id_;
  std::vector<VoiceCommand> commands_;
  std::vector<std::string> noted_;  // notes already printed
};

// The Command event's payload for what was heard.
UserInput ToUserInput(const std::string& character_id, const std::vector<VoiceCommand>& commands,
                      const Recognition& heard);

}  // namespace zarn
