// The request queues: starting, timing, completing and stopping requests.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/VbError.h"
#include "base/VbString.h"
#include "charengine/CharacterEngine.h"
#include "charengine/ServiceErrors.h"

namespace zarn {
namespace {

bool IsFinal(int status) {
  return status != request_status::kPending && status != request_status::kInProgress;
}

// The direction as the character sees it: moving or pointing towards the
// screen's left is the character's right.
const char* Direction(int64_t dx, int64_t dy) {
  if (dx != 0 && std::llabs(dx) >= std::llabs(dy)) return dx < 0 ? "Right" : "Left";
  return dy < 0 ? "Up" : "Down";
}

bool HasSpeakingFrame(const Animation* animation) {
  return animation != nullptr && !animation->frames.empty() &&
         !animation->frames.back().overlays.empty();
}

}  // namespace

RequestId CharacterEngine::NewRequestId(size_t owner) {
  const RequestId id = static_cast<RequestId>(statuses_.size());
  statuses_.push_back(request_status::kPending);
  owners_.push_back(static_cast<uint32_t>(owner));
  return id;
}

void CharacterEngine::SetStatus(RequestId request, int status) {
  statuses_[static_cast<size_t>(request)] = static_cast<int8_t>(status);
}

int CharacterEngine::StatusOf(RequestId request) const {
  return statuses_[static_cast<size_t>(request)];
}

RequestId CharacterEngine::Enqueue(const std::string& id, Request request) {
  const size_t index = IndexOf(id);
  request.id = NewRequestId(index);
  const RequestId result = request.id;
  Character& character = *characters_[index];
  character.queue.push_back(std::move(request));
  if (!character.busy) {
    PostKick(index);
  } else if (character.stage && character.stage->live && ShouldLeaveLoop(character)) {
    PostLeaveLoop(index);
  }
  return result;
}

// Requests start from the pump, never inside the call that queued them.
void CharacterEngine::PostKick(size_t index) {
  Character& character = *characters_[index];
  if (character.kick_posted) return;
  character.kick_posted = true;
  std::weak_ptr<bool> alive = alive_;
  scheduler_.Post([this, alive, index] {
    if (alive.expired()) return;
    characters_[index]->kick_posted = false;
    StartNext(index);
  });
}

void CharacterEngine::StartNext(size_t index) {
  Character& character = *characters_[index];
  // A wind-down after Stop, or an idle animation's, plays out first.
  if (character.activity == Activity::kWindDown) return;
  if (!character.queue.empty() && !character.busy && IdleBusy(character)) {
    EndIdle(index);
    if (character.activity == Activity::kWindDown || character.busy) return;
  }
  // Event handlers may queue or stop requests; after each event the front is
  // checked again.
  auto still_front = [&character](RequestId id) {
    return character.busy && !character.queue.empty() && character.queue.front().id == id;
  };
  while (!character.busy && !character.queue.empty()) {
    const RequestId id = character.queue.front().id;
    character.busy = true;
    SetStatus(id, request_status::kInProgress);
    if (events_ != nullptr && !character.queue.front().quiet) events_->RequestStart(id);
    if (!still_front(id)) continue;
    Timeline timeline = Begin(index, character.queue.front());
    if (!still_front(id)) continue;
    if (timeline.waits) return;
    character.timeline = std::move(timeline);
    character.next_part = 0;
    character.activity = Activity::kRequest;
    if (character.timeline.moves) {
      character.slide_from_x = character.left;
      character.slide_from_y = character.top;
      character.slide_start = scheduler_.Now();
      std::weak_ptr<bool> alive = alive_;
      character.timers.push_back(
          scheduler_.PostAfter(character.timeline.move_ms, [this, alive, index, id] {
            if (alive.expired()) return;
            Finish(index, id, characters_[index]->timeline.status);
            StartNext(index);
          }));
      if (sink_ != nullptr) {
        const Request& request = character.queue.front();
        sink_->MoveStarted(character.id, request.x, request.y, character.timeline.move_ms);
      }
    }
    if (!RunParts(index) || !still_front(id) || character.timeline.moves) return;
    Finish(index, id, character.timeline.status);
  }
  if (!character.busy && character.queue.empty()) MaybeIdle(index);
}

const Animation* CharacterEngine::PickStateAnimation(const Character& character,
                                                     std::string_view state_name,
                                                     BranchRandom& random) {
  const State* state = character.model.FindState(state_name);
  if (state == nullptr) return nullptr;
  std::vector<const Animation*> choices;
  for (const std::string& name : state->animations) {
    if (const Animation* animation = character.model.FindAnimation(name)) {
      choices.push_back(animation);
    }
  }
  if (choices.empty()) return nullptr;
  return choices.size() == 1 ? choices.front() : choices[random.Pick(choices.size())];
}

// The previous animation's Return plays before the next animation.
void CharacterEngine::AddReturn(Character& character, Timeline& timeline) {
  if (!character.needs_return || character.last_animation == nullptr) return;
  character.needs_return = false;
  const Animation* back = character.model.FindAnimation(character.last_animation->return_animation);
  if (back == nullptr) return;
  timeline.parts.push_back({back, AnimationCause::kReturn});
  character.last_animation = back;
}

void CharacterEngine::PlayInto(Character& character, Timeline& timeline, const Animation* animation,
                               AnimationCause cause) {
  if (animation == nullptr) return;
  timeline.parts.push_back({animation, cause});
  character.last_animation = animation;
  character.needs_return = animation->transition == TransitionType::kReturnAnimation &&
                           !animation->return_animation.empty();
}

int CharacterEngine::WordsPerMinute(const Character& character) const {
  if (character.model.voice_speed > 0 && character.model.voice_speed <= kMaxWordsPerMinute) {
    return static_cast<int>(character.model.voice_speed);
  }
  return options_.default_words_per_minute;
}

SpeechPlan CharacterEngine::Plan(const Character& character, const Request& request,
                                 SpeechMode mode) const {
  const std::vector<SpeechItem>& items = request.speech;
  if (!options_.speech_planner) return PlanSpeech(items, WordsPerMinute(character), mode);
  SpeechVoice voice;
  voice.words_per_minute = WordsPerMinute(character);
  voice.language_id = character.language_id;
  voice.tts_mode_id = character.tts_mode_id;
  voice.gender = character.model.voice_gender;
  voice.pitch_hz = character.model.voice_pitch;
  voice.name = character.model.Name(static_cast<uint16_t>(character.language_id));
  if (character.model.file && character.model.file->Voice().present) {
    const VoiceInfo& file_voice = character.model.file->Voice();
    voice.age = file_voice.age;
    voice.file_mode_id = file_voice.mode_id.ToString();
  }
  return options_.speech_planner(items, voice, mode, request.id);
}

CharacterEngine::Timeline CharacterEngine::Begin(size_t index, Request& request) {
  Character& character = *characters_[index];
  Timeline timeline;
  switch (request.kind) {
    case Kind::kShow:
      if (character.visible) break;
      character.visible = true;
      if (sink_ != nullptr) sink_->VisibilityChanged(character.id, true);
      if (events_ != nullptr) events_->Show(character.id, request.show_cause);
      character.last_animation = nullptr;
      character.needs_return = false;
      if (!request.fast) {
        PlayInto(character, timeline, PickStateAnimation(character, "Showing", random_),
                 AnimationCause::kRequest);
      }
      break;
    case Kind::kHide:
      if (!character.visible || request.fast) break;
      AddReturn(character, timeline);
      PlayInto(character, timeline, PickStateAnimation(character, "Hiding", random_),
               AnimationCause::kRequest);
      break;
    case Kind::kSpeak: {
      if (!character.visible) {
        timeline.status = request_status::kFailed;
        numbers_[request.id] = service_error::kCharacterHidden;
        break;
      }
      if (!HasSpeakingFrame(character.last_animation)) {
        AddReturn(character, timeline);
        PlayInto(character, timeline, PickStateAnimation(character, "Speaking", random_),
                 AnimationCause::kState);
      }
      if (request.sound_ms) {
        timeline.speech = Plan(character, request, SpeechMode::kSoundFile);
        StretchSpeech(timeline.speech, *request.sound_ms);
      } else {
        timeline.speech = Plan(character, request, SpeechMode::kSpeak);
      }
      timeline.parts.push_back({});
      break;
    }
    case Kind::kThink:
      // A thought has no balloon to go to either.
      if (!character.visible) {
        timeline.status = request_status::kFailed;
        numbers_[request.id] = service_error::kCharacterHidden;
        break;
      }
      timeline.speech = Plan(character, request, SpeechMode::kThink);
      timeline.thinks = true;
      timeline.parts.push_back({});
      break;
    case Kind::kPlay:
      AddReturn(character, timeline);
      PlayInto(character, timeline, request.animation, AnimationCause::kRequest);
      break;
    case Kind::kMoveTo: {
      const int32_t speed = request.speed < 0 ? 0 : request.speed;
      if (character.dragging) {
        timeline.status = request_status::kFailed;
        numbers_[request.id] = service_error::kMoveWhileDragged;
        break;
      }
      if (!character.visible && speed != 0) {
        timeline.status = request_status::kFailed;
        break;
      }
      const int64_t dx = int64_t{request.x} - character.left;
      const int64_t dy = int64_t{request.y} - character.top;
      if (speed == 0 || (dx == 0 && dy == 0)) break;
      // The moving animation shows while the frame slides; the move itself
      // takes exactly `speed` milliseconds.
      AddReturn(character, timeline);
      PlayInto(character, timeline,
               PickStateAnimation(character, std::string("Moving") + Direction(dx, dy), random_),
               AnimationCause::kState);
      timeline.moves = true;
      timeline.move_ms = speed;
      break;
    }
    case Kind::kGestureAt: {
      const int64_t dx = int64_t{request.x} - (character.left + character.width / 2);
      const int64_t dy = int64_t{request.y} - (character.top + character.height / 2);
      const Animation* gesture =
          PickStateAnimation(character, std::string("Gesturing") + Direction(dx, dy), random_);
      if (gesture == nullptr) {
        timeline.status = request_status::kFailed;
        break;
      }
      AddReturn(character, timeline);
      PlayInto(character, timeline, gesture, AnimationCause::kState);
      break;
    }
    case Kind::kState:
      if (!character.visible) break;
      AddReturn(character, timeline);
      PlayInto(character, timeline, request.animation, AnimationCause::kState);
      break;
    case Kind::kGet:
      break;
    case Kind::kWait:
      timeline.waits = !IsFinal(StatusOf(request.other));
      break;
  }
  return timeline;
}

void CharacterEngine::Finish(size_t index, RequestId id, int status) {
  Character& character = *characters_[index];
  if (!character.busy || character.queue.empty() || character.queue.front().id != id) return;
  const Request& request = character.queue.front();
  if (status == request_status::kComplete) {
    if (request.kind == Kind::kHide && character.visible) {
      character.visible = false;
      character.last_animation = nullptr;
      character.needs_return = false;
      if (sink_ != nullptr) sink_->VisibilityChanged(character.id, false);
      if (events_ != nullptr) events_->Hide(character.id, request.hide_cause);
      if (!character.busy || character.queue.empty() || character.queue.front().id != id) return;
    } else if (request.kind == Kind::kMoveTo) {
      character.left = request.x;
      character.top = request.y;
      // A move that did not slide jumps.
      if (sink_ != nullptr && !character.timeline.moves) {
        sink_->MoveStarted(character.id, request.x, request.y, 0);
      }
    }
  }
  CompleteFront(index, status);
}

void CharacterEngine::CompleteFront(size_t index, int status) {
  Character& character = *characters_[index];
  const RequestId id = character.queue.front().id;
  const bool quiet = character.queue.front().quiet;
  character.queue.pop_front();
  character.busy = false;
  CancelTimers(character);  // a move may end while its animation still plays
  character.stage.reset();
  character.activity = Activity::kNone;
  SetStatus(id, status);
  if (events_ != nullptr && !quiet) events_->RequestComplete(id, status);
  ReleaseWaiters(id);
}

void CharacterEngine::ReleaseWaiters(RequestId finished) {
  for (size_t index = 0; index < characters_.size(); ++index) {
    Character& character = *characters_[index];
    if (!character.busy || character.queue.empty()) continue;
    const Request& front = character.queue.front();
    if (front.kind != Kind::kWait || front.other != finished) continue;
    CompleteFront(index, request_status::kComplete);
    StartNext(index);
  }
}

void CharacterEngine::CancelTimers(Character& character) {
  for (TimerId timer : character.timers) scheduler_.Cancel(timer);
  character.timers.clear();
  for (TimerId timer : character.stage_timers) scheduler_.Cancel(timer);
  character.stage_timers.clear();
}

// What the request in progress shows and says ends here: a slide halts
// where it has got to, which is where the character then stands, and its
// speech goes silent. The front is still in the queue.
void CharacterEngine::CutShort(size_t index, bool halt_on_screen) {
  Character& character = *characters_[index];
  if (!character.busy || character.queue.empty()) return;
  const Request& front = character.queue.front();
  if (front.kind == Kind::kMoveTo && character.timeline.moves) {
    const double t =
        std::clamp(static_cast<double>(scheduler_.Now() - character.slide_start) /
                       static_cast<double>(std::max<int64_t>(1, character.timeline.move_ms)),
                   0.0, 1.0);
    auto along = [t](int32_t from, int32_t to) {
      return from + static_cast<int32_t>(std::lround((to - from) * t));
    };
    character.left = along(character.slide_from_x, front.x);
    character.top = along(character.slide_from_y, front.y);
    character.timeline.moves = false;
    if (halt_on_screen && sink_ != nullptr) {
      sink_->MoveStarted(character.id, character.left, character.top, 0);
    }
  }
  const bool speaking = (front.kind == Kind::kSpeak || front.kind == Kind::kThink) &&
                        character.next_part > 0 &&
                        character.next_part <= character.timeline.parts.size() &&
                        character.timeline.parts[character.next_part - 1].animation == nullptr;
  if (speaking && sink_ != nullptr) sink_->SpeechStopped(character.id);
}

// The request in progress is taken away: what it showed winds down through
// its exit branches, and the next request waits for that.
void CharacterEngine::StopFront(size_t index) {
  Character& character = *characters_[index];
  CancelTimers(character);
  character.busy = false;
  if (character.stage) {
    StartWindDown(index);
  } else {
    character.activity = Activity::kNone;
  }
}

// Removed requests end as interrupted (or failed), for `number`; their
// events follow from the pump.
void CharacterEngine::Interrupt(size_t index, std::vector<RequestId> removed, int status,
                                int32_t number) {
  if (removed.empty()) return;
  for (RequestId id : removed) {
    SetStatus(id, status);
    numbers_[id] = number;
  }
  std::weak_ptr<bool> alive = alive_;
  scheduler_.Post([this, alive, index, status, removed = std::move(removed)] {
    if (alive.expired()) return;
    for (RequestId id : removed) {
      if (events_ != nullptr) events_->RequestComplete(id, status);
      ReleaseWaiters(id);
    }
    StartNext(index);
  });
}

void CharacterEngine::Stop(const std::string& id, std::optional<RequestId> request) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  std::vector<RequestId> removed;
  bool stop_front = false;
  if (request) {
    const RequestId wanted = *request;
    if (wanted <= 0 || static_cast<size_t>(wanted) >= statuses_.size()) {
      throw VbError(service_error::kRequestNotFound, "The request does not exist");
    }
    if (owners_[static_cast<size_t>(wanted)] != index) {
      throw VbError(service_error::kStopOtherCharacter,
                    "A character cannot stop another character's request");
    }
    for (auto it = character.queue.begin(); it != character.queue.end(); ++it) {
      if (it->id != wanted) continue;
      stop_front = it == character.queue.begin() && character.busy;
      if (stop_front) CutShort(index, true);
      character.queue.erase(it);
      removed.push_back(wanted);
      break;
    }
  } else {
    Flush(index, service_error::kInterruptedByApplication);
    return;
  }
  // The interrupted events come before whatever follows the wind-down.
  Interrupt(index, std::move(removed));
  if (stop_front) StopFront(index);
}

// Stop without a request: everything goes but a Showing or Hiding in
// progress.
void CharacterEngine::Flush(size_t index, int32_t number) {
  Character& character = *characters_[index];
  std::vector<RequestId> removed;
  const bool spare = character.busy && (character.queue.front().kind == Kind::kShow ||
                                        character.queue.front().kind == Kind::kHide);
  const bool stop_front = !spare && character.busy;
  if (stop_front) CutShort(index, true);
  const size_t keep = spare ? 1 : 0;
  while (character.queue.size() > keep) {
    if (!character.queue.back().quiet) removed.push_back(character.queue.back().id);
    character.queue.pop_back();
  }
  std::reverse(removed.begin(), removed.end());
  Interrupt(index, std::move(removed), request_status::kInterrupted, number);
  if (stop_front) StopFront(index);
}

void CharacterEngine::StopAll(const std::string& id, std::optional<std::string> types) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  bool all = !types || Trim(*types).empty();
  bool gets = false, moves = false, plays = false, speeches = false;
  if (!all) {
    for (const std::string& part : SplitAlternatives(ReplaceAll(*types, ",", "|"))) {
      const std::string type = Trim(part);
      if (EqualsNoCase(type, "Get")) {
        gets = true;
      } else if (EqualsNoCase(type, "NonQueuedGet")) {
        // Non-queued Gets of a local character complete at once.
      } else if (EqualsNoCase(type, "Move")) {
        moves = true;
      } else if (EqualsNoCase(type, "Play")) {
        plays = true;
      } else if (EqualsNoCase(type, "Speak")) {
        speeches = true;
      } else {
        throw VbError(service_error::kInvalidArgument, "Unknown request type \"" + type + "\"");
      }
    }
  }
  auto matches = [&](Kind kind) {
    switch (kind) {
      case Kind::kGet:
        return all || gets;
      case Kind::kMoveTo:
        return all || moves;
      case Kind::kPlay:
      case Kind::kGestureAt:
        return all || plays;
      case Kind::kSpeak:
      case Kind::kThink:
        return all || speeches;
      default:
        return all;
    }
  };
  std::vector<RequestId> removed;
  std::deque<Request> kept;
  const bool stop_front =
      character.busy && !character.queue.empty() && matches(character.queue.front().kind);
  if (stop_front) CutShort(index, true);
  for (size_t i = 0; i < character.queue.size(); ++i) {
    Request& queued = character.queue[i];
    if (!matches(queued.kind)) {
      kept.push_back(std::move(queued));
      continue;
    }
    if (!queued.quiet) removed.push_back(queued.id);
  }
  character.queue = std::move(kept);
  Interrupt(index, std::move(removed));
  if (stop_front) StopFront(index);
}

}  // namespace zarn
