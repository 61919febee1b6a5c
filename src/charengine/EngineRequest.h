#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "charengine/CharacterModel.h"
#include "charengine/SpeechTags.h"
#include "charengine/SpeechTiming.h"
#include "ports/CharacterServicePort.h"
#include "ports/Scheduler.h"

namespace zarn::engine {

enum class Kind { kShow, kHide, kSpeak, kThink, kPlay, kMoveTo, kGestureAt, kGet, kWait, kState };

struct Request {
  RequestId id = 0;
  Kind kind = Kind::kGet;
  bool fast = false;
  std::vector<SpeechItem> speech;  // Speak/Think, alternative chosen, \Lst\ resolved
  std::string tagged_text;         // the chosen alternative as written
  std::string url;
  std::optional<int64_t> sound_ms;       // length of the url's sound, when readable
  const Animation* animation = nullptr;  // Play
  int x = 0;
  int y = 0;
  int32_t speed = 0;
  RequestId other = 0;  // Wait
  int hide_cause = 3;   // Hide: this program hid it
  int show_cause = 4;   // Show: this program showed it
  // The service's own (a state it plays by itself): no client hears of it.
  bool quiet = false;
  bool listening_state = false;  // kState: Listening rather than Hearing
};

// One thing a request (or idling) does in turn: an animation, or the
// speech when `animation` is null.
struct Part {
  const Animation* animation = nullptr;
  AnimationCause cause = AnimationCause::kRequest;
};

// What a request does once it starts.
struct Timeline {
  int status = request_status::kComplete;
  std::vector<Part> parts;
  bool waits = false;  // completes when another request does
  bool thinks = false;
  SpeechPlan speech;
  // A move ends after exactly move_ms, whatever its animation does.
  bool moves = false;
  int64_t move_ms = 0;
};

// Whom the character's current animation plays for.
enum class Activity { kNone, kRequest, kIdle, kWindDown };

// What the character is doing now: the parts it runs in turn, for whom,
// and the timers of the request in progress.
struct Performance {
  void Begin(Activity for_whom) {
    activity = for_whom;
    timeline = Timeline{};
    next_part = 0;
  }

  Activity activity = Activity::kNone;
  Timeline timeline;  // of the request in progress, or idling's parts
  size_t next_part = 0;
  std::vector<TimerId> timers;
  // The MoveTo in progress slides from here, from this time on.
  int32_t slide_from_x = 0;
  int32_t slide_from_y = 0;
  Millis slide_start = 0;
};

}  // namespace zarn::engine
