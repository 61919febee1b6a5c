#include "platform/listen/VoiceInput.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <utility>

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

std::string HeardTip(const std::vector<VoiceCommand>& commands, const Recognition& heard) {
  if (heard.empty()) return kNotUnderstood;
  const VoiceCommand& best = commands[heard[0].command];
  if (heard[0].confidence > best.confidence) return "Heard \"" + heard[0].words + "\"";
  return best.confidence_text.empty() ? kNotUnderstood : best.confidence_text;
}

namespace {

// The loaded characters' ids and the names said to show them.
std::pair<std::vector<std::string>, std::vector<std::string>> Loaded(
    const CharacterEngine& engine) {
  std::vector<std::string> ids = engine.CharacterIds();
  std::vector<std::string> names;
  for (const std::string& id : ids) names.push_back(engine.Name(id));
  return {std::move(ids), std::move(names)};
}

}  // namespace

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
  auto [ids, names] = Loaded(engine_);
  if (engine_.IsLoaded(character_id)) {
    for (const CharacterCommand& command : engine_.Commands(character_id)) {
      commands.push_back({command.name, command.voice});
    }
  }
  first_global_ = commands.size();
  for (VoiceCommand& global : GlobalVoiceCommands(names)) commands.push_back(std::move(global));
  characters_ = std::move(ids);
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
  const HeardCommand& best = heard[0];
  if (best.command >= first_global_ && best.confidence > commands_[best.command].confidence) {
    ActOnGlobal(best.command - first_global_);
  }
  return true;
}

void VoiceInput::ActOnGlobal(size_t global) {
  const size_t first_name = static_cast<size_t>(GlobalCommand::kCharacter);
  if (global >= first_name) {
    const std::string& id = characters_[global - first_name];
    if (engine_.IsLoaded(id) && !engine_.Visible(id)) engine_.UserShow(id);
    return;
  }
  switch (static_cast<GlobalCommand>(global)) {
    case GlobalCommand::kOpenCommands:
    case GlobalCommand::kGlobalCommands:
      if (on_commands_window_) on_commands_window_(character_id_, true);
      return;
    case GlobalCommand::kCloseCommands:
      if (on_commands_window_) on_commands_window_(character_id_, false);
      return;
    case GlobalCommand::kHide:
      if (engine_.IsLoaded(character_id_) && engine_.Visible(character_id_)) {
        engine_.UserHide(character_id_, 1);
      }
      return;
    case GlobalCommand::kCharacter:
      return;
  }
}

bool VoiceInput::Hear(const std::string& character_id, std::span<const int16_t> pcm) {
  if (!engine_.IsLoaded(character_id) || !Ready()) return false;
  const bool held = !engine_.IsListening(character_id);
  if (held) engine_.ListeningKey(character_id, true);
  engine_.SpeechStarted(character_id);
  Prepare(character_id);
  const Recognition heard = recognizer_->Recognize(pcm);
  if (on_heard_) on_heard_(character_id, HeardTip(commands_, heard));
  const bool raised = Raise(heard);
  if (held) {
    engine_.ListeningKey(character_id, false);
  } else {
    engine_.SpeechEnded(character_id);
  }
  return raised;
}

bool VoiceInput::Begin(const std::string& character_id) {
  if (!Ready()) return false;
  Prepare(character_id);
  recognizer_->Begin();
  speaking_ = false;
  return true;
}

bool VoiceInput::Feed(std::span<const int16_t> pcm) {
  if (!recognizer_) return false;
  const bool stopped = recognizer_->Feed(pcm);
  if (!speaking_ && recognizer_->HeardSpeech()) {
    speaking_ = true;
    if (engine_.IsLoaded(character_id_)) engine_.SpeechStarted(character_id_);
  }
  return stopped;
}

bool VoiceInput::End() {
  if (!recognizer_) return false;
  const Recognition heard = recognizer_->Finish();
  if (speaking_ && on_heard_) on_heard_(character_id_, HeardTip(commands_, heard));
  speaking_ = false;
  return Raise(heard);
}

std::vector<std::string> VoiceInput::Phrases(const std::string& character_id) const {
  std::vector<std::string> lines;
  if (!engine_.IsLoaded(character_id)) return lines;
  for (const CharacterCommand& command : engine_.Commands(character_id)) {
    if (!command.voice.empty()) lines.push_back(command.voice);
  }
  for (const VoiceCommand& global : GlobalVoiceCommands(Loaded(engine_).second)) {
    lines.push_back(global.voice);
  }
  return lines;
}

}  // namespace zarn
