#include "charengine/AnimationPlayer.h"

#include <algorithm>
#include <utility>

namespace zarn::engine {

AnimationPlayer::AnimationPlayer(Context& context, const std::string& character_id,
                                 const CharacterModel& model, Hooks hooks)
    : context_(context), id_(character_id), model_(model), hooks_(std::move(hooks)) {}

TimerId AnimationPlayer::PostFor(bool background, Millis at, std::function<void()> task) {
  return background ? context_.scheduler.PostBackgroundAt(at, std::move(task))
                    : context_.scheduler.PostAt(at, std::move(task));
}

bool AnimationPlayer::Start(const Animation* animation, AnimationCause cause, bool background) {
  stage_ = Stage{};
  Stage& stage = *stage_;
  stage.animation = animation;
  auto endless = endless_.find(animation);
  if (endless == endless_.end()) {
    endless = endless_.emplace(animation, EndlessFrames(*animation)).first;
  }
  stage.endless = &endless->second;
  stage.base = context_.scheduler.Now();
  stage.sounds_end = stage.base;
  stage.background = background;
  stage.path = PlanAnimation(*animation, background ? context_.idle_random : context_.random, 0,
                             stage.endless);
  const bool playing = ScheduleStretch();
  if (context_.events != nullptr) context_.events->AnimationStart(id_, animation->name, cause);
  return playing;
}

int AnimationPlayer::SoundOf(const Frame& frame) const {
  const int sound = frame.sound_index;
  if (sound < 0 || static_cast<size_t>(sound) >= model_.SoundCount()) return -1;
  return sound;
}

int64_t AnimationPlayer::SoundMillis(int sound) {
  if (sound_ms_.empty()) sound_ms_.assign(model_.SoundCount(), -1);
  int64_t& length = sound_ms_[static_cast<size_t>(sound)];
  if (length < 0) {
    length = 0;
    if (context_.options.sound_effect_ms) {
      const std::vector<uint8_t> wave = model_.SoundBytes(static_cast<size_t>(sound));
      length = std::max<int64_t>(0, context_.options.sound_effect_ms(wave).value_or(0));
    }
  }
  return length;
}

// When the sounds the stage started up to `until` end.
Millis AnimationPlayer::SoundsEnd(Millis until) {
  const Stage& stage = *stage_;
  Millis end = stage.sounds_end;
  const std::vector<Frame>& frames = stage.animation->frames;
  for (const FrameStep& step : stage.path.steps) {
    const Millis at = stage.base + step.start_ms;
    if (at > until) break;
    const int sound = SoundOf(frames[step.frame]);
    if (sound >= 0) end = std::max(end, at + SoundMillis(sound));
  }
  return end;
}

// Posts the stretch's frames and sounds and what follows it; false when
// the stage is over at once and nothing was posted.
bool AnimationPlayer::ScheduleStretch() {
  Stage& stage = *stage_;
  const bool background = stage.background || stage.live;
  std::weak_ptr<bool> alive = context_.alive;
  const std::vector<Frame>& frames = stage.animation->frames;
  for (const FrameStep& step : stage.path.steps) {
    const int sound = SoundOf(frames[step.frame]);
    // A frame without images is a branching step, not a picture: what was
    // drawn last stays.
    const bool picture = !frames[step.frame].images.empty();
    if (sound < 0 && (context_.sink == nullptr || !picture)) continue;
    timers_.push_back(PostFor(background, stage.base + step.start_ms,
                              [this, alive, frame = step.frame, sound, picture] {
                                if (alive.expired() || !stage_) return;
                                const std::string& name = stage_->animation->name;
                                CharacterRenderSink* sink = context_.sink;
                                if (sink != nullptr && picture) sink->FrameShown(id_, name, frame);
                                if (sound < 0 || !sounds_on_) return;
                                if (sink != nullptr) sink->SoundPlayed(id_, sound);
                                if (context_.events != nullptr) {
                                  context_.events->SoundStart(id_, name, frame, sound);
                                }
                              }));
  }
  const Millis frames_end = stage.base + stage.path.total_ms;
  if (stage.path.loops) {
    // A stretch that took no time would loop without time passing: the
    // frame stays as it is until the animation is stopped.
    if (stage.live && stage.path.total_ms == 0) return true;
    timers_.push_back(PostFor(background, frames_end, [this, alive] {
      if (alive.expired() || !stage_) return;
      if (stage_->live) {
        NextStretch();
      } else {
        hooks_.loop_reached();
      }
    }));
    return true;
  }
  const Millis end = std::max(frames_end, SoundsEnd(frames_end));
  if (end == context_.scheduler.Now() && timers_.empty()) return false;
  timers_.push_back(PostFor(background, end, [this, alive] {
    if (!alive.expired()) hooks_.ended();
  }));
  return true;
}

void AnimationPlayer::KeepLooping() {
  stage_->live = true;
  NextStretch();
}

void AnimationPlayer::NextStretch() {
  Stage& stage = *stage_;
  const Millis now = context_.scheduler.Now();
  stage.sounds_end = SoundsEnd(now);
  const size_t from = stage.path.next;
  timers_.clear();  // the last stretch's have all run
  stage.base = now;
  stage.path =
      PlanAnimation(*stage.animation, stage.background ? context_.idle_random : context_.random,
                    from, nullptr, kLoopStretchSteps);
  if (!ScheduleStretch()) hooks_.ended();
}

// Sounds already started still hold what waits for the stage.
void AnimationPlayer::Exit() {
  Stage& stage = *stage_;
  CancelTimers();
  const Millis now = context_.scheduler.Now();
  stage.sounds_end = SoundsEnd(now);
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
  if (ScheduleStretch()) return;
  std::weak_ptr<bool> alive = context_.alive;
  timers_.push_back(context_.scheduler.Post([this, alive] {
    if (!alive.expired()) hooks_.ended();
  }));
}

void AnimationPlayer::CancelTimers() {
  for (TimerId timer : timers_) context_.scheduler.Cancel(timer);
  timers_.clear();
}

void AnimationPlayer::Ended() {
  stage_.reset();
  timers_.clear();  // every one of them has run
}

const Animation* AnimationPlayer::TakeReturn() {
  if (!needs_return_ || last_animation_ == nullptr) return nullptr;
  needs_return_ = false;
  const Animation* back = model_.FindAnimation(last_animation_->return_animation);
  if (back == nullptr) return nullptr;
  last_animation_ = back;
  return back;
}

void AnimationPlayer::WillPlay(const Animation* animation) {
  last_animation_ = animation;
  needs_return_ = animation->transition == TransitionType::kReturnAnimation &&
                  !animation->return_animation.empty();
}

void AnimationPlayer::Forget() {
  last_animation_ = nullptr;
  needs_return_ = false;
}

}  // namespace zarn::engine
