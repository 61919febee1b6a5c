// Idling: what a visible character does by itself while its queue is empty.
// Every task of it is a background one, so idling keeps no run alive.
#include <string>

#include "charengine/CharacterEngine.h"

namespace zarn {
namespace {

bool CanIdle(bool visible, bool idle_on, bool busy, bool queue_empty) {
  return visible && idle_on && !busy && queue_empty;
}

}  // namespace

bool CharacterEngine::IdleOn(const std::string& id) const { return Find(id).idle_on; }

void CharacterEngine::SetIdleOn(const std::string& id, bool on) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  if (character.idle_on == on) return;
  character.idle_on = on;
  if (on) {
    if (!character.busy && character.queue.empty() && character.activity == Activity::kNone) {
      MaybeIdle(index);
    }
    return;
  }
  // IdleComplete comes from the pump, like every event.
  std::weak_ptr<bool> alive = alive_;
  scheduler_.Post([this, alive, index] {
    if (alive.expired()) return;
    Character& c = *characters_[index];
    if (c.idle_on || !IdleBusy(c)) return;
    EndIdle(index);
    StartNext(index);
  });
}

bool CharacterEngine::IdleBusy(const Character& character) const {
  return character.idle_timer != 0 || character.idling || character.activity == Activity::kIdle;
}

// The queue has just become empty: idling begins after a while.
void CharacterEngine::MaybeIdle(size_t index) {
  Character& character = *characters_[index];
  if (!character.visible || !character.idle_on || IdleBusy(character)) return;
  std::weak_ptr<bool> alive = alive_;
  character.idle_timer =
      scheduler_.PostBackgroundAt(scheduler_.Now() + kIdleDelayMs, [this, alive, index] {
        if (alive.expired()) return;
        characters_[index]->idle_timer = 0;
        StartIdling(index);
      });
}

// The last animation's Return first, then IdleStart.
void CharacterEngine::StartIdling(size_t index) {
  Character& character = *characters_[index];
  if (!CanIdle(character.visible, character.idle_on, character.busy, character.queue.empty()) ||
      character.activity != Activity::kNone) {
    return;
  }
  character.activity = Activity::kIdle;
  character.timeline = Timeline{};
  character.next_part = 0;
  AddReturn(character, character.timeline);
  if (RunParts(index)) IdlePartsDone(index);
}

void CharacterEngine::PlayIdle(size_t index) {
  Character& character = *characters_[index];
  if (!CanIdle(character.visible, character.idle_on, character.busy, character.queue.empty()) ||
      character.activity != Activity::kNone || !character.idling) {
    return;
  }
  const Millis idle_for = scheduler_.Now() - character.idle_since;
  const int level = idle_for < kIdlePeriodMs ? 1 : idle_for < 2 * kIdlePeriodMs ? 2 : 3;
  const Animation* animation =
      PickStateAnimation(character, "IdlingLevel" + std::to_string(level), idle_random_);
  character.activity = Activity::kIdle;
  character.timeline = Timeline{};
  character.next_part = 0;
  if (animation != nullptr) {
    AddReturn(character, character.timeline);
    PlayInto(character, character.timeline, animation, AnimationCause::kIdle);
  }
  if (RunParts(index)) IdlePartsDone(index);
}

void CharacterEngine::IdlePartsDone(size_t index) {
  Character& character = *characters_[index];
  character.activity = Activity::kNone;
  if (!character.idling) {
    character.idling = true;
    character.idle_since = scheduler_.Now();
    if (events_ != nullptr) events_->IdleStart(character.id);
  }
  // A request queued meanwhile ends idling from its own start.
  if (!character.queue.empty() || character.idle_timer != 0) return;
  const Millis gap =
      kIdleGapMinMs + static_cast<Millis>(idle_random_.Pick(kIdleGapMaxMs - kIdleGapMinMs + 1));
  std::weak_ptr<bool> alive = alive_;
  character.idle_timer = scheduler_.PostBackgroundAt(scheduler_.Now() + gap, [this, alive, index] {
    if (alive.expired()) return;
    characters_[index]->idle_timer = 0;
    PlayIdle(index);
  });
}

// A request (or IdleOn = False) ends idling: IdleComplete, and the idle
// animation winds down through its exit branches before anything else.
void CharacterEngine::EndIdle(size_t index) {
  Character& character = *characters_[index];
  if (character.idle_timer != 0) {
    scheduler_.Cancel(character.idle_timer);
    character.idle_timer = 0;
  }
  if (character.activity == Activity::kIdle) {
    if (character.stage) {
      StartWindDown(index);
    } else {
      character.activity = Activity::kNone;
    }
  }
  if (character.idling) {
    character.idling = false;
    if (events_ != nullptr) events_->IdleComplete(character.id);
  }
}

}  // namespace zarn
