// Listening windows and the states the service plays for them.
#include <algorithm>
#include <string>

#include "charengine/CharacterEngine.h"
#include "charengine/EngineCharacter.h"

namespace zarn {

std::vector<std::string> CharacterEngine::CharacterIds() const {
  std::vector<std::string> ids;
  for (size_t index = 0; index < characters_.size(); ++index) {
    if (Live(index)) ids.push_back(characters_[index]->id);
  }
  return ids;
}

bool CharacterEngine::IsListening(const std::string& id) const {
  return Find(id).listener.Listening();
}

bool CharacterEngine::Listen(const std::string& id, bool listen) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  if (!listen) {
    if (character.listener.Listening()) {
      CloseWindow(index, listen_cause::kByCode);
    } else if (options_.listen) {
      options_.listen(character.id, false);
    }
    return true;
  }
  if (!character.listener.Listening()) {
    const bool can = options_.listen ? options_.listen(character.id, true) : options_.speech_input;
    if (!can) return false;
  }
  OpenWindow(index, false);
  return true;
}

void CharacterEngine::ListeningKey(const std::string& id, bool down) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  if (!down) {
    if (character.listener.Listening() && character.listener.ByKey()) {
      CloseWindow(index, listen_cause::kKeyReleased);
    }
    return;
  }
  if (!character.listener.Listening() && options_.listen && !options_.listen(character.id, true))
    return;
  // The key silences the character to hear the user.
  Flush(index, service_error::kInterruptedByListeningKey);
  OpenWindow(index, true);
  PlayServerState(index, "Listening");
}

void CharacterEngine::SpeechStarted(const std::string& id) {
  const size_t index = IndexOf(id);
  if (characters_[index]->listener.Listening()) PlayServerState(index, "Hearing");
}

void CharacterEngine::SpeechEnded(const std::string& id) {
  const size_t index = IndexOf(id);
  if (characters_[index]->listener.Listening()) CloseWindow(index, listen_cause::kSpeechEnded);
}

// Opening an open window again starts its time anew.
void CharacterEngine::OpenWindow(size_t index, bool by_key) {
  Character& character = *characters_[index];
  std::weak_ptr<bool> alive = context_->alive;
  const bool opens = character.listener.Open(by_key, [this, alive, index] {
    if (alive.expired()) return;
    engine::Listener& listener = characters_[index]->listener;
    listener.Fired();
    CloseWindow(index, listener.TimeoutCause());
  });
  if (!opens) return;
  scheduler_.Post([this, alive, id = character.id] {
    if (!alive.expired() && context_->events != nullptr) context_->events->ListenStart(id);
  });
}

// Whatever was heard is raised by the listener as it stops, so a Command
// comes before the ListenComplete.
void CharacterEngine::CloseWindow(size_t index, int cause) {
  Character& character = *characters_[index];
  if (!character.listener.Close()) return;
  // A Listening state still waiting for its turn would come too late;
  // Hearing answers speech that was heard, so it still plays.
  character.queue.DropWaiting([](const engine::Request& request) {
    return request.kind == engine::Kind::kState && request.listening_state;
  });
  if (options_.listen) options_.listen(character.id, false);
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, id = character.id, cause] {
    if (!alive.expired() && context_->events != nullptr)
      context_->events->ListenComplete(id, cause);
  });
}

// Plays after what is on screen now; a state that has not started yet
// gives way to the newer one. A character without the state plays nothing.
void CharacterEngine::PlayServerState(size_t index, std::string_view state) {
  Character& character = *characters_[index];
  if (!character.visible) return;
  const Animation* animation = PickStateAnimation(character, state, context_->random);
  if (animation == nullptr) return;
  engine::Request* waiting = character.queue.FindWaiting(
      [](const engine::Request& request) { return request.kind == engine::Kind::kState; });
  if (waiting != nullptr) {
    waiting->animation = animation;
    waiting->listening_state = state == "Listening";
    return;
  }
  engine::Request request;
  request.kind = engine::Kind::kState;
  request.quiet = true;
  request.animation = animation;
  request.listening_state = state == "Listening";
  request.id = requests_->Add(index);
  character.queue.PushNext(std::move(request));
  if (!character.queue.Busy()) {
    PostKick(index);
  } else if (character.player.Looping() && ShouldLeaveLoop(character)) {
    PostLeaveLoop(index);
  }
}

}  // namespace zarn
