// Running a request's parts in turn: animations through the player, speech
// through timed tasks of the request.
#include <algorithm>
#include <utility>

#include "charengine/CharacterEngine.h"
#include "charengine/EngineCharacter.h"

namespace zarn {

using engine::Activity;

// Plays the parts from next_part on; true when all of them are done, false
// when one is still playing (OnPartEnd carries on).
bool CharacterEngine::RunParts(size_t index) {
  Character& character = *characters_[index];
  engine::Performance& now = character.now;
  const Activity activity = now.activity;
  while (now.next_part < now.timeline.parts.size()) {
    const engine::Part part = now.timeline.parts[now.next_part++];
    const bool playing =
        part.animation == nullptr
            ? StartSpeech(index)
            : character.player.Start(part.animation, part.cause, activity == Activity::kIdle);
    // An event handler may have stopped it all meanwhile.
    if (playing || now.activity != activity) return false;
  }
  return true;
}

void CharacterEngine::OnPartEnd(size_t index) {
  Character& character = *characters_[index];
  character.player.Ended();
  switch (character.now.activity) {
    case Activity::kRequest: {
      if (!RunParts(index) || character.now.timeline.moves) return;
      const RequestId id = character.queue.Front().id;
      Finish(index, id, character.now.timeline.status);
      StartNext(index);
      return;
    }
    case Activity::kIdle:
      if (RunParts(index)) IdlePartsDone(index);
      return;
    case Activity::kWindDown:
      character.now.activity = Activity::kNone;
      StartNext(index);
      return;
    case Activity::kNone:
      return;
  }
}

bool CharacterEngine::StartSpeech(size_t index) {
  Character& character = *characters_[index];
  const engine::Timeline& timeline = character.now.timeline;
  std::vector<TimerId>& timers = character.now.timers;
  const RequestId id = character.queue.Front().id;
  const Millis start = scheduler_.Now();
  std::weak_ptr<bool> alive = context_->alive;
  auto post = [&](Millis at, std::function<void(Character&)> what) {
    timers.push_back(scheduler_.PostAt(at, [this, alive, index, id, what] {
      if (alive.expired()) return;
      Character& c = *characters_[index];
      if (c.queue.Empty() || c.queue.Front().id != id) return;
      what(c);
    }));
  };
  for (const SpeechPlan::Mark& mark : timeline.speech.bookmarks) {
    post(start + mark.at_ms, [this, id, mark_id = mark.id](Character& c) {
      if (context_->events != nullptr) context_->events->Bookmark(mark_id, c.id, id);
    });
  }
  const Millis end = start + timeline.speech.total_ms;
  const size_t posted_before = timers.size();
  if (context_->sink != nullptr) {
    const engine::Request& request = character.queue.Front();
    post(start, [this, id, balloon = timeline.speech.balloon_text, tagged = request.tagged_text,
                 think = timeline.thinks,
                 sound = request.sound_ms ? request.url : std::string()](Character& c) {
      CharacterRenderSink* sink = context_->sink;
      if (sink == nullptr) return;
      sink->SpeechStarted(c.id, id, balloon, tagged, think);
      if (!sound.empty()) sink->SpeechSoundStarted(c.id, sound);
    });
    for (const SpeechPlan::Word& word : timeline.speech.words) {
      post(start + word.at_ms, [this, text = word.text](Character& c) {
        if (context_->sink != nullptr) context_->sink->BalloonWord(c.id, text);
      });
    }
    post(end, [this](Character& c) {
      if (context_->sink != nullptr) context_->sink->SpeechEnded(c.id);
    });
  }
  if (end == start && timers.size() == posted_before && timeline.speech.bookmarks.empty()) {
    return false;
  }
  post(end, [this, index](Character&) { OnPartEnd(index); });
  return true;
}

// The animation has come to frames it can never leave on its own.
void CharacterEngine::LoopReached(size_t index) {
  Character& character = *characters_[index];
  if (ShouldLeaveLoop(character)) {
    character.player.Exit();
  } else {
    character.player.KeepLooping();
  }
}

// A request held by a loop is let go by a Hide behind it, or by any request
// when the animation winds down through its exit branches.
bool CharacterEngine::ShouldLeaveLoop(const Character& character) const {
  if (character.now.activity != Activity::kRequest || character.now.timeline.moves ||
      character.queue.Size() < 2) {
    return false;
  }
  if (character.player.Current()->transition == TransitionType::kExitBranches) return true;
  return character.queue.AnyBehindFront(
      [](const engine::Request& request) { return request.kind == engine::Kind::kHide; });
}

void CharacterEngine::PostLeaveLoop(size_t index) {
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, index] {
    if (alive.expired()) return;
    Character& character = *characters_[index];
    if (character.player.Looping() && ShouldLeaveLoop(character)) character.player.Exit();
  });
}

// What is on screen winds down through its exit branches; nothing else
// plays until it has.
void CharacterEngine::StartWindDown(size_t index) {
  Character& character = *characters_[index];
  character.now.Begin(Activity::kWindDown);
  character.player.Exit();
}

std::vector<std::pair<std::string, std::string>> CharacterEngine::HeldLoops() const {
  std::vector<std::pair<std::string, std::string>> held;
  for (size_t index = 0; index < characters_.size(); ++index) {
    if (!Live(index)) continue;
    const auto& character = characters_[index];
    if (character->now.activity == Activity::kRequest && character->player.Looping() &&
        !character->now.timeline.moves) {
      held.emplace_back(character->id, character->player.Current()->name);
    }
  }
  return held;
}

}  // namespace zarn
