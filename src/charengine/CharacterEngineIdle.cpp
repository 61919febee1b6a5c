// Idling: what a visible character does by itself while its queue is empty.
// Every task of it is a background one, so idling keeps no run alive.
#include <string>

#include "charengine/CharacterEngine.h"
#include "charengine/EngineCharacter.h"

namespace zarn {

using engine::Activity;

namespace {

bool CanIdle(bool visible, bool idle_on, bool busy, bool queue_empty) {
  return visible && idle_on && !busy && queue_empty;
}

}  // namespace

bool CharacterEngine::IdleOn(const std::string& id) const { return Find(id).idler.On(); }

void CharacterEngine::SetIdleOn(const std::string& id, bool on) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  if (character.idler.On() == on) return;
  character.idler.SetOn(on);
  if (on) {
    if (!character.queue.Busy() && character.queue.Empty() &&
        character.now.activity == Activity::kNone) {
      MaybeIdle(index);
    }
    return;
  }
  // IdleComplete comes from the pump, like every event.
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, index] {
    if (alive.expired()) return;
    Character& c = *characters_[index];
    if (c.idler.On() || !IdleBusy(c)) return;
    EndIdle(index);
    StartNext(index);
  });
}

bool CharacterEngine::IdleBusy(const Character& character) const {
  return character.idler.Waiting() || character.idler.Idling() ||
         character.now.activity == Activity::kIdle;
}

// The queue has just become empty: idling begins after a while.
void CharacterEngine::MaybeIdle(size_t index) {
  Character& character = *characters_[index];
  if (!character.visible || !character.idler.On() || IdleBusy(character)) return;
  std::weak_ptr<bool> alive = context_->alive;
  character.idler.Arm(scheduler_.Now() + kIdleDelayMs, [this, alive, index] {
    if (alive.expired()) return;
    characters_[index]->idler.Fired();
    StartIdling(index);
  });
}

// The last animation's Return first, then IdleStart.
void CharacterEngine::StartIdling(size_t index) {
  Character& character = *characters_[index];
  if (!CanIdle(character.visible, character.idler.On(), character.queue.Busy(),
               character.queue.Empty()) ||
      character.now.activity != Activity::kNone) {
    return;
  }
  character.now.Begin(Activity::kIdle);
  AddReturn(character, character.now.timeline);
  if (RunParts(index)) IdlePartsDone(index);
}

void CharacterEngine::PlayIdle(size_t index) {
  Character& character = *characters_[index];
  if (!CanIdle(character.visible, character.idler.On(), character.queue.Busy(),
               character.queue.Empty()) ||
      character.now.activity != Activity::kNone || !character.idler.Idling()) {
    return;
  }
  const Animation* animation = PickStateAnimation(
      character, "IdlingLevel" + std::to_string(character.idler.Level()), context_->idle_random);
  character.now.Begin(Activity::kIdle);
  if (animation != nullptr) {
    AddReturn(character, character.now.timeline);
    PlayInto(character, character.now.timeline, animation, AnimationCause::kIdle);
  }
  if (RunParts(index)) IdlePartsDone(index);
}

void CharacterEngine::IdlePartsDone(size_t index) {
  Character& character = *characters_[index];
  character.now.activity = Activity::kNone;
  if (character.idler.Begin() && context_->events != nullptr) {
    context_->events->IdleStart(character.id);
  }
  // A request queued meanwhile ends idling from its own start.
  if (!character.queue.Empty() || character.idler.Waiting()) return;
  const Millis gap = engine::Idler::NextGap(context_->idle_random);
  std::weak_ptr<bool> alive = context_->alive;
  character.idler.Arm(scheduler_.Now() + gap, [this, alive, index] {
    if (alive.expired()) return;
    characters_[index]->idler.Fired();
    PlayIdle(index);
  });
}

// A request (or IdleOn = False) ends idling: IdleComplete, and the idle
// animation winds down through its exit branches before anything else.
void CharacterEngine::EndIdle(size_t index) {
  Character& character = *characters_[index];
  character.idler.Cancel();
  if (character.now.activity == Activity::kIdle) {
    if (character.player.Playing()) {
      StartWindDown(index);
    } else {
      character.now.activity = Activity::kNone;
    }
  }
  if (character.idler.End() && context_->events != nullptr) {
    context_->events->IdleComplete(character.id);
  }
}

}  // namespace zarn
