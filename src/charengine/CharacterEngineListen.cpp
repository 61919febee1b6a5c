// Listening windows and the states the service plays for them.
#include <algorithm>
#include <string>

#include "charengine/CharacterEngine.h"

namespace zarn {

std::vector<std::string> CharacterEngine::CharacterIds() const {
  std::vector<std::string> ids;
  for (const auto& character : characters_) ids.push_back(character->id);
  return ids;
}

bool CharacterEngine::Listen(const std::string& id, bool listen) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  if (!listen) {
    if (character.listening) {
      CloseWindow(index, listen_cause::kByCode);
    } else if (options_.listen) {
      options_.listen(character.id, false);
    }
    return true;
  }
  if (!character.listening) {
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
    if (character.listening && character.listen_by_key) {
      CloseWindow(index, listen_cause::kKeyReleased);
    }
    return;
  }
  if (!character.listening && options_.listen && !options_.listen(character.id, true)) return;
  // The key silences the character to hear the user.
  Flush(index, service_error::kInterruptedByListeningKey);
  OpenWindow(index, true);
  PlayServerState(index, "Listening");
}

void CharacterEngine::SpeechStarted(const std::string& id) {
  const size_t index = IndexOf(id);
  if (characters_[index]->listening) PlayServerState(index, "Hearing");
}

void CharacterEngine::SpeechEnded(const std::string& id) {
  const size_t index = IndexOf(id);
  if (characters_[index]->listening) CloseWindow(index, listen_cause::kSpeechEnded);
}

// Opening an open window again starts its time anew.
void CharacterEngine::OpenWindow(size_t index, bool by_key) {
  Character& character = *characters_[index];
  if (character.listen_timer != 0) scheduler_.Cancel(character.listen_timer);
  const bool opens = !character.listening;
  character.listening = true;
  character.listen_by_key = by_key;
  std::weak_ptr<bool> alive = alive_;
  // In the background: an open window keeps no run alive.
  character.listen_timer = scheduler_.PostBackgroundAt(
      scheduler_.Now() + (by_key ? kKeyListenWindowMs : kListenWindowMs), [this, alive, index] {
        if (alive.expired()) return;
        Character& c = *characters_[index];
        c.listen_timer = 0;
        CloseWindow(index,
                    c.listen_by_key ? listen_cause::kKeyTimedOut : listen_cause::kCodeTimedOut);
      });
  if (!opens) return;
  scheduler_.Post([this, alive, id = character.id] {
    if (!alive.expired() && events_ != nullptr) events_->ListenStart(id);
  });
}

// Whatever was heard is raised by the listener as it stops, so a Command
// comes before the ListenComplete.
void CharacterEngine::CloseWindow(size_t index, int cause) {
  Character& character = *characters_[index];
  if (!character.listening) return;
  character.listening = false;
  if (character.listen_timer != 0) scheduler_.Cancel(character.listen_timer);
  character.listen_timer = 0;
  // A Listening state still waiting for its turn would come too late;
  // Hearing answers speech that was heard, so it still plays.
  const auto waiting = character.queue.begin() + (character.busy ? 1 : 0);
  character.queue.erase(std::remove_if(waiting, character.queue.end(),
                                       [](const Request& request) {
                                         return request.kind == Kind::kState &&
                                                request.listening_state;
                                       }),
                        character.queue.end());
  if (options_.listen) options_.listen(character.id, false);
  std::weak_ptr<bool> alive = alive_;
  scheduler_.Post([this, alive, id = character.id, cause] {
    if (!alive.expired() && events_ != nullptr) events_->ListenComplete(id, cause);
  });
}

// Plays after what is on screen now; a state that has not started yet
// gives way to the newer one. A character without the state plays nothing.
void CharacterEngine::PlayServerState(size_t index, std::string_view state) {
  Character& character = *characters_[index];
  if (!character.visible) return;
  const Animation* animation = PickStateAnimation(character, state, random_);
  if (animation == nullptr) return;
  const size_t first_waiting = character.busy ? 1 : 0;
  for (size_t i = first_waiting; i < character.queue.size(); ++i) {
    if (character.queue[i].kind == Kind::kState) {
      character.queue[i].animation = animation;
      character.queue[i].listening_state = state == "Listening";
      return;
    }
  }
  Request request;
  request.kind = Kind::kState;
  request.quiet = true;
  request.animation = animation;
  request.listening_state = state == "Listening";
  request.id = NewRequestId(index);
  character.queue.insert(character.queue.begin() + static_cast<std::ptrdiff_t>(first_waiting),
                         std::move(request));
  if (!character.busy) {
    PostKick(index);
  } else if (character.stage && character.stage->live && ShouldLeaveLoop(character)) {
    PostLeaveLoop(index);
  }
}

}  // namespace zarn
