// Playing a request's parts: animations a stretch at a time (loops stepped
// as they play), exits through the exit branches, sound effects, speech.
#include <algorithm>
#include <utility>

#include "charengine/CharacterEngine.h"

namespace zarn {

TimerId CharacterEngine::PostFor(bool background, Millis at, std::function<void()> task) {
  return background ? scheduler_.PostBackgroundAt(at, std::move(task))
                    : scheduler_.PostAt(at, std::move(task));
}

// Plays the parts from next_part on; true when all of them are done, false
// when one is still playing (OnPartEnd carries on).
bool CharacterEngine::RunParts(size_t index) {
  Character& character = *characters_[index];
  const Activity activity = character.activity;
  while (character.next_part < character.timeline.parts.size()) {
    const Part part = character.timeline.parts[character.next_part++];
    const bool playing = part.animation == nullptr ? StartSpeech(index)
                                                   : StartStage(index, part.animation, part.cause);
    // An event handler may have stopped it all meanwhile.
    if (playing || character.activity != activity) return false;
  }
  return true;
}

void CharacterEngine::OnPartEnd(size_t index) {
  Character& character = *characters_[index];
  character.stage.reset();
  character.stage_timers.clear();  // every one of them has run
  switch (character.activity) {
    case Activity::kRequest: {
      if (!RunParts(index) || character.timeline.moves) return;
      const RequestId id = character.queue.front().id;
      Finish(index, id, character.timeline.status);
      StartNext(index);
      return;
    }
    case Activity::kIdle:
      if (RunParts(index)) IdlePartsDone(index);
      return;
    case Activity::kWindDown:
      character.activity = Activity::kNone;
      StartNext(index);
      return;
    case Activity::kNone:
      return;
  }
}

bool CharacterEngine::StartSpeech(size_t index) {
  Character& character = *characters_[index];
  const Timeline& timeline = character.timeline;
  const RequestId id = character.queue.front().id;
  const Millis start = scheduler_.Now();
  std::weak_ptr<bool> alive = alive_;
  auto post = [&](Millis at, std::function<void(Character&)> what) {
    character.timers.push_back(scheduler_.PostAt(at, [this, alive, index, id, what] {
      if (alive.expired()) return;
      Character& c = *characters_[index];
      if (c.queue.empty() || c.queue.front().id != id) return;
      what(c);
    }));
  };
  for (const SpeechPlan::Mark& mark : timeline.speech.bookmarks) {
    post(start + mark.at_ms, [this, mark_id = mark.id](Character&) {
      if (events_ != nullptr) events_->Bookmark(mark_id);
    });
  }
  const Millis end = start + timeline.speech.total_ms;
  const size_t posted_before = character.timers.size();
  if (sink_ != nullptr) {
    const Request& request = character.queue.front();
    post(start, [this, id, balloon = timeline.speech.balloon_text, tagged = request.tagged_text,
                 think = timeline.thinks,
                 sound = request.sound_ms ? request.url : std::string()](Character& c) {
      if (sink_ == nullptr) return;
      sink_->SpeechStarted(c.id, id, balloon, tagged, think);
      if (!sound.empty()) sink_->SpeechSoundStarted(c.id, sound);
    });
    for (const SpeechPlan::Word& word : timeline.speech.words) {
      post(start + word.at_ms, [this, text = word.text](Character& c) {
        if (sink_ != nullptr) sink_->BalloonWord(c.id, text);
      });
    }
    post(end, [this](Character& c) {
      if (sink_ != nullptr) sink_->SpeechEnded(c.id);
    });
  }
  if (end == start && character.timers.size() == posted_before &&
      timeline.speech.bookmarks.empty()) {
    return false;
  }
  post(end, [this, index](Character&) { OnPartEnd(index); });
  return true;
}

bool CharacterEngine::StartStage(size_t index, const Animation* animation, AnimationCause cause) {
  Character& character = *characters_[index];
  const bool idle = character.activity == Activity::kIdle;
  character.stage = Stage{};
  Stage& stage = *character.stage;
  stage.animation = animation;
  auto endless = character.endless.find(animation);
  if (endless == character.endless.end()) {
    endless = character.endless.emplace(animation, EndlessFrames(*animation)).first;
  }
  stage.endless = &endless->second;
  stage.base = scheduler_.Now();
  stage.sounds_end = stage.base;
  stage.background = idle;
  stage.path = PlanAnimation(*animation, idle ? idle_random_ : random_, 0, stage.endless);
  const bool playing = ScheduleStretch(index);
  if (events_ != nullptr) events_->AnimationStart(character.id, animation->name, cause);
  return playing;
}

int CharacterEngine::SoundOf(Character& character, const Frame& frame) {
  const int sound = frame.sound_index;
  if (sound < 0 || static_cast<size_t>(sound) >= character.model.SoundCount()) return -1;
  return sound;
}

int64_t CharacterEngine::SoundMillis(Character& character, int sound) {
  if (character.sound_ms.empty()) character.sound_ms.assign(character.model.SoundCount(), -1);
  int64_t& length = character.sound_ms[static_cast<size_t>(sound)];
  if (length < 0) {
    length = 0;
    if (options_.sound_effect_ms) {
      const std::vector<uint8_t> wave = character.model.SoundBytes(static_cast<size_t>(sound));
      length = std::max<int64_t>(0, options_.sound_effect_ms(wave).value_or(0));
    }
  }
  return length;
}

// When the sounds the stage started up to `until` end.
Millis CharacterEngine::SoundsEnd(Character& character, const Stage& stage, Millis until) {
  Millis end = stage.sounds_end;
  const std::vector<Frame>& frames = stage.animation->frames;
  for (const FrameStep& step : stage.path.steps) {
    const Millis at = stage.base + step.start_ms;
    if (at > until) break;
    const int sound = SoundOf(character, frames[step.frame]);
    if (sound >= 0) end = std::max(end, at + SoundMillis(character, sound));
  }
  return end;
}

// Posts the stretch's frames and sounds and what follows it; false when
// the stage is over at once and nothing was posted.
bool CharacterEngine::ScheduleStretch(size_t index) {
  Character& character = *characters_[index];
  Stage& stage = *character.stage;
  const bool background = stage.background || stage.live;
  std::weak_ptr<bool> alive = alive_;
  const std::vector<Frame>& frames = stage.animation->frames;
  for (const FrameStep& step : stage.path.steps) {
    const int sound = SoundOf(character, frames[step.frame]);
    // A frame without images is a branching step, not a picture: what was
    // drawn last stays.
    const bool picture = !frames[step.frame].images.empty();
    if (sound < 0 && (sink_ == nullptr || !picture)) continue;
    character.stage_timers.push_back(
        PostFor(background, stage.base + step.start_ms,
                [this, alive, index, frame = step.frame, sound, picture] {
                  if (alive.expired()) return;
                  Character& c = *characters_[index];
                  if (!c.stage) return;
                  const std::string& name = c.stage->animation->name;
                  if (sink_ != nullptr && picture) sink_->FrameShown(c.id, name, frame);
                  if (sound < 0) return;
                  if (sink_ != nullptr) sink_->SoundPlayed(c.id, sound);
                  if (events_ != nullptr) events_->SoundStart(c.id, name, frame, sound);
                }));
  }
  const Millis frames_end = stage.base + stage.path.total_ms;
  if (stage.path.loops) {
    // A stretch that took no time would loop without time passing: the
    // frame stays as it is until the animation is stopped.
    if (stage.live && stage.path.total_ms == 0) return true;
    character.stage_timers.push_back(PostFor(background, frames_end, [this, alive, index] {
      if (alive.expired() || !characters_[index]->stage) return;
      if (characters_[index]->stage->live) {
        NextStretch(index);
      } else {
        LoopReached(index);
      }
    }));
    return true;
  }
  const Millis end = std::max(frames_end, SoundsEnd(character, stage, frames_end));
  if (end == scheduler_.Now() && character.stage_timers.empty()) return false;
  character.stage_timers.push_back(PostFor(background, end, [this, alive, index] {
    if (!alive.expired()) OnPartEnd(index);
  }));
  return true;
}

// The animation has come to frames it can never leave on its own.
void CharacterEngine::LoopReached(size_t index) {
  Character& character = *characters_[index];
  Stage& stage = *character.stage;
  if (ShouldLeaveLoop(character)) {
    ExitStage(index);
    return;
  }
  stage.live = true;
  NextStretch(index);
}

void CharacterEngine::NextStretch(size_t index) {
  Character& character = *characters_[index];
  Stage& stage = *character.stage;
  const Millis now = scheduler_.Now();
  stage.sounds_end = SoundsEnd(character, stage, now);
  const size_t from = stage.path.next;
  character.stage_timers.clear();  // the last stretch's have all run
  stage.base = now;
  stage.path = PlanAnimation(*stage.animation, stage.background ? idle_random_ : random_, from,
                             nullptr, kLoopStretchSteps);
  if (!ScheduleStretch(index)) OnPartEnd(index);
}

// A request held by a loop is let go by a Hide behind it, or by any request
// when the animation winds down through its exit branches.
bool CharacterEngine::ShouldLeaveLoop(const Character& character) const {
  if (character.activity != Activity::kRequest || character.timeline.moves ||
      character.queue.size() < 2) {
    return false;
  }
  if (character.stage->animation->transition == TransitionType::kExitBranches) return true;
  return std::any_of(character.queue.begin() + 1, character.queue.end(),
                     [](const Request& request) { return request.kind == Kind::kHide; });
}

void CharacterEngine::PostLeaveLoop(size_t index) {
  std::weak_ptr<bool> alive = alive_;
  scheduler_.Post([this, alive, index] {
    if (alive.expired()) return;
    Character& character = *characters_[index];
    if (character.stage && character.stage->live && ShouldLeaveLoop(character)) ExitStage(index);
  });
}

// Winds the stage's animation down from the frame showing now: a frame
// that may stop (-2) stops at once, any other plays out and its exit branch
// leads on. Sounds already started still hold what waits for the stage.
void CharacterEngine::ExitStage(size_t index) {
  Character& character = *characters_[index];
  Stage& stage = *character.stage;
  for (TimerId timer : character.stage_timers) scheduler_.Cancel(timer);
  character.stage_timers.clear();
  const Millis now = scheduler_.Now();
  stage.sounds_end = SoundsEnd(character, stage, now);
  const std::vector<Frame>& frames = stage.animation->frames;
  const FrameStep* current = nullptr;
  for (const FrameStep& step : stage.path.steps) {
    if (stage.base + step.start_ms > now) break;
    current = &step;
  }
  AnimationPath exit;
  Millis base = now;
  const bool finished =
      !stage.path.loops && now >= stage.base + stage.path.total_ms && current != nullptr;
  if (finished) {
    // It has run off its last frame already; only its sounds may remain.
  } else if (current == nullptr) {
    // Nothing of it has shown yet: it starts where it would have looped.
    exit = PlanExit(*stage.animation, stage.path.next, true);
  } else if (frames[current->frame].exit_frame != Frame::kExitHere) {
    exit = PlanExit(*stage.animation, current->frame);
    base = std::max(now, stage.base + current->start_ms + current->duration_ms);
  }
  stage.path = std::move(exit);
  stage.base = base;
  stage.live = false;
  stage.background = false;  // something waits for it now
  if (ScheduleStretch(index)) return;
  std::weak_ptr<bool> alive = alive_;
  character.stage_timers.push_back(scheduler_.Post([this, alive, index] {
    if (!alive.expired()) OnPartEnd(index);
  }));
}

void CharacterEngine::StartWindDown(size_t index) {
  Character& character = *characters_[index];
  character.activity = Activity::kWindDown;
  character.timeline = Timeline{};
  character.next_part = 0;
  ExitStage(index);
}

std::vector<std::pair<std::string, std::string>> CharacterEngine::HeldLoops() const {
  std::vector<std::pair<std::string, std::string>> held;
  for (const auto& character : characters_) {
    if (character->activity == Activity::kRequest && character->stage && character->stage->live &&
        !character->timeline.moves) {
      held.emplace_back(character->id, character->stage->animation->name);
    }
  }
  return held;
}

}  // namespace zarn
