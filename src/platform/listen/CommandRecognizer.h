#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/common/ListenModel.h"
#include "platform/listen/VoiceGrammar.h"

namespace zarn {

// One command that may have been said, with the recognizer's confidence
// from -100 (surely not) to 100 (surely).
struct HeardCommand {
  size_t command = 0;  // index into the commands given to SetCommands
  std::string words;   // the words heard
  int32_t confidence = 0;
};

// Best first; at most three.
using Recognition = std::vector<HeardCommand>;

// Speech to commands with PocketSphinx and a grammar of the commands.
class CommandRecognizer {
 public:
  // Throws std::runtime_error when the model cannot be loaded.
  explicit CommandRecognizer(const ListenModel& model);
  ~CommandRecognizer();
  CommandRecognizer(const CommandRecognizer&) = delete;
  CommandRecognizer& operator=(const CommandRecognizer&) = delete;

  bool Knows(const std::string& word) const;
  // Listens for these from now on; gives notes on commands left out.
  std::vector<std::string> SetCommands(const std::vector<VoiceCommand>& commands);

  // A whole recording, 16 kHz mono: nothing when no command was heard.
  Recognition Recognize(std::span<const int16_t> pcm);

  // Live input: Begin, then Feed until it says the speaker stopped, then
  // Finish (which also ends a window that timed out).
  void Begin();
  bool Feed(std::span<const int16_t> pcm);
  Recognition Finish();
  // Whether the live input has had speech since Begin.
  bool HeardSpeech() const { return heard_speech_; }

 private:
  Recognition Results();
  std::string Pronounce(const std::vector<std::string>& words) const;

  struct Decoder;
  std::unique_ptr<Decoder> decoder_;
  std::vector<VoiceChoice> parsed_;  // per grammar command
  std::vector<size_t> included_;     // grammar command -> index given
  bool has_grammar_ = false;
  bool in_utterance_ = false;
  bool heard_speech_ = false;
};

}  // namespace zarn
