#include "platform/listen/VoiceInput.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

namespace zarn {

UserInput ToUserInput(const std::string& character_id, const std::vector<VoiceCommand>& commands,
                      const Recognition& heard) {
  UserInput input;
  input.character_id = character_id;
  input.count = static_cast<int32_t>(heard.size());
  if (heard.empty()) return input;
  input.name = commands[heard[0].command].name;
  input.confidence = heard[0].confidence;
  input.voice = heard[0].words;
  if (heard.size() > 1) {
    input.alt1_name = commands[heard[1].command].name;
    input.alt1_confidence = heard[1].confidence;
    input.alt1_voice = heard[1].words;
  }
  if (heard.size() > 2) {
    input.alt2_name = commands[heard[2].command].name;
    input.alt2_confidence = heard[2].confidence;
    input.alt2_voice = heard[2].words;
  }
  return input;
}

VoiceInput::VoiceInput(CharacterEngine& engine, ListenModel model)
    : engine_(engine), model_(std::move(model)) {}

VoiceInput::~VoiceInput() = default;

bool VoiceInput::Ready() {
  if (recognizer_) return true;
  if (failed_) return false;
  try {
    recognizer_ = std::make_unique<CommandRecognizer>(model_);
  } catch (const std::runtime_error& e) {
    failed_ = true;
    std::cerr << "zarnplay: voice commands are off: " << e.what() << "\n";
    return false;
  }
  return true;
}

void VoiceInput::Prepare(const std::string& character_id) {
  character_id_ = character_id;
  std::vector<VoiceCommand> commands;
  if (engine_.IsLoaded(character_id)) {
    for (const CharacterCommand& command : engine_.Commands(character_id)) {
      commands.push_back({command.name, command.voice});
    }
    for (VoiceCommand& global : GlobalVoiceCommands({engine_.Name(character_id)})) {
      commands.push_back(std::move(global));
    }
  }
  if (commands == commands_) return;  // the grammar is still right
  commands_ = std::move(commands);
  for (const std::string& note : recognizer_->SetCommands(commands_)) {
    if (std::find(noted_.begin(), noted_.end(), note) != noted_.end()) continue;
    noted_.push_back(note);
    std::cerr << "zarnplay: " << note << "\n";
  }
}

bool VoiceInput::Raise(const Recognition& heard) {
  if (heard.empty()) return false;
  engine_.SimulateCommand(ToUserInput(character_id_, commands_, heard));
  return true;
}

bool VoiceInput::Hear(const std::string& character_id, std::span<const int16_t> pcm) {
  if (!Ready()) return false;
  Prepare(character_id);
  return Raise(recognizer_->Recognize(pcm));
}

bool VoiceInput::Begin(const std::string& character_id) {
  if (!Ready()) return false;
  Prepare(character_id);
  recognizer_->Begin();
  return true;
}

bool VoiceInput::Feed(std::span<const int16_t> pcm) {
  return recognizer_ && recognizer_->Feed(pcm);
}

bool VoiceInput::End() { return recognizer_ && Raise(recognizer_->Finish()); }

std::vector<std::string> VoiceInput::Phrases(const std::string& character_id) const {
  std::vector<std::string> lines;
  if (!engine_.IsLoaded(character_id)) return lines;
  for (const CharacterCommand& command : engine_.Commands(character_id)) {
    if (!command.voice.empty()) lines.push_back(command.voice);
  }
  for (const VoiceCommand& global : GlobalVoiceCommands({engine_.Name(character_id)})) {
    lines.push_back(global.voice);
  }
  return lines;
}

}  // namespace zarn
