#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "charengine/AnimationPath.h"
#include "charengine/CharacterModel.h"
#include "charengine/EngineContext.h"

namespace zarn::engine {

// The animation on one character's screen: its frames and sound effects
// posted a stretch at a time (a loop planned as it plays), its exit
// branches when it must end, and which Return is owed when the next
// animation starts.
class AnimationPlayer {
 public:
  struct Hooks {
    // The animation (and its sounds) is over.
    std::function<void()> ended;
    // It has come to frames it can never leave on its own: the owner calls
    // Exit or KeepLooping.
    std::function<void()> loop_reached;
  };

  AnimationPlayer(Context& context, const std::string& character_id, const CharacterModel& model,
                  Hooks hooks);

  // False when it is over at once and nothing was posted; it still counts
  // as playing until Ended or Reset.
  bool Start(const Animation* animation, AnimationCause cause, bool background);
  bool Playing() const { return stage_.has_value(); }
  // Looping past its planned stretch.
  bool Looping() const { return stage_ && stage_->live; }
  const Animation* Current() const { return stage_ ? stage_->animation : nullptr; }
  void KeepLooping();
  // Winds down from the frame showing now: a frame that may stop stops at
  // once, any other plays out and its exit branch leads on.
  void Exit();
  void CancelTimers();
  // Its last task has run.
  void Ended();
  void Reset() { stage_.reset(); }
  // Muted sounds still take their time, so the timing does not change.
  bool SoundsOn() const { return sounds_on_; }
  void SetSoundsOn(bool on) { sounds_on_ = on; }

  // The Return owed by the last animation, taken (nullptr if none).
  const Animation* TakeReturn();
  // `animation` plays next: it may owe a Return of its own.
  void WillPlay(const Animation* animation);
  const Animation* Last() const { return last_animation_; }
  // Shown or hidden afresh: nothing is owed.
  void Forget();

 private:
  struct Stage {
    const Animation* animation = nullptr;
    const std::vector<bool>* endless = nullptr;  // EndlessFrames of the animation
    Millis base = 0;                             // when the stretch's first step shows
    AnimationPath path;                          // the stretch
    bool live = false;                           // looping: planned as it plays
    bool background = false;                     // keeps no run alive
    Millis sounds_end = 0;                       // when the sounds of earlier stretches end
  };

  TimerId PostFor(bool background, Millis at, std::function<void()> task);
  bool ScheduleStretch();
  void NextStretch();
  int SoundOf(const Frame& frame) const;
  int64_t SoundMillis(int sound);
  Millis SoundsEnd(Millis until);

  Context& context_;
  const std::string& id_;
  const CharacterModel& model_;
  Hooks hooks_;
  std::optional<Stage> stage_;
  std::vector<TimerId> timers_;                                      // of the stage's stretch
  std::unordered_map<const Animation*, std::vector<bool>> endless_;  // once each
  std::vector<int64_t> sound_ms_;  // per sound effect; -1 not read yet
  const Animation* last_animation_ = nullptr;
  bool needs_return_ = false;
  bool sounds_on_ = true;  // the last animation's Return has not played yet
};

}  // namespace zarn::engine
