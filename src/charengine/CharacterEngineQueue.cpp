// The request queues: starting, timing, completing and stopping requests.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/VbError.h"
#include "base/VbString.h"
#include "charengine/CharacterEngine.h"
#include "charengine/EngineCharacter.h"
#include "charengine/ServiceErrors.h"

namespace zarn {

using engine::Activity;
using engine::Kind;
using engine::Request;
using engine::Timeline;

namespace {

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

RequestId CharacterEngine::Enqueue(const std::string& id, Request request) {
  const size_t index = IndexOf(id);
  request.id = requests_->Add(index);
  const RequestId result = request.id;
  Character& character = *characters_[index];
  character.queue.Push(std::move(request));
  if (!character.queue.Busy()) {
    PostKick(index);
  } else if (character.player.Looping() && ShouldLeaveLoop(character)) {
    PostLeaveLoop(index);
  }
  return result;
}

// Requests start from the pump, never inside the call that queued them.
void CharacterEngine::PostKick(size_t index) {
  Character& character = *characters_[index];
  if (character.queue.kick_posted) return;
  character.queue.kick_posted = true;
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, index] {
    if (alive.expired()) return;
    characters_[index]->queue.kick_posted = false;
    StartNext(index);
  });
}

void CharacterEngine::StartNext(size_t index) {
  Character& character = *characters_[index];
  // A wind-down after Stop, or an idle animation's, plays out first.
  engine::Performance& now = character.now;
  engine::RequestQueue& queue = character.queue;
  if (now.activity == Activity::kWindDown) return;
  if (!queue.Empty() && !queue.Busy() && IdleBusy(character)) {
    EndIdle(index);
    if (now.activity == Activity::kWindDown || queue.Busy()) return;
  }
  // Event handlers may queue or stop requests; after each event the front is
  // checked again.
  while (!queue.Busy() && !queue.Empty()) {
    const RequestId id = queue.Front().id;
    queue.SetBusy(true);
    requests_->SetStatus(id, request_status::kInProgress);
    if (context_->events != nullptr && !queue.Front().quiet) context_->events->RequestStart(id);
    if (!queue.InProgress(id)) continue;
    Timeline timeline = Begin(index, queue.Front());
    if (!queue.InProgress(id)) continue;
    if (timeline.waits) return;
    now.timeline = std::move(timeline);
    now.next_part = 0;
    now.activity = Activity::kRequest;
    if (now.timeline.moves) {
      now.slide_from_x = character.left;
      now.slide_from_y = character.top;
      now.slide_start = scheduler_.Now();
      std::weak_ptr<bool> alive = context_->alive;
      now.timers.push_back(scheduler_.PostAfter(now.timeline.move_ms, [this, alive, index, id] {
        if (alive.expired()) return;
        Finish(index, id, characters_[index]->now.timeline.status);
        StartNext(index);
      }));
      if (context_->sink != nullptr) {
        const Request& request = queue.Front();
        context_->sink->MoveStarted(character.id, request.x, request.y, now.timeline.move_ms);
      }
    }
    if (!RunParts(index) || !queue.InProgress(id) || now.timeline.moves) return;
    Finish(index, id, now.timeline.status);
  }
  if (!queue.Busy() && queue.Empty()) MaybeIdle(index);
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
  if (const Animation* back = character.player.TakeReturn()) {
    timeline.parts.push_back({back, AnimationCause::kReturn});
  }
}

void CharacterEngine::PlayInto(Character& character, Timeline& timeline, const Animation* animation,
                               AnimationCause cause) {
  if (animation == nullptr) return;
  timeline.parts.push_back({animation, cause});
  character.player.WillPlay(animation);
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

Timeline CharacterEngine::Begin(size_t index, Request& request) {
  Character& character = *characters_[index];
  Timeline timeline;
  switch (request.kind) {
    case Kind::kShow:
      if (character.visible) break;
      character.visible = true;
      if (context_->sink != nullptr) context_->sink->VisibilityChanged(character.id, true);
      if (context_->events != nullptr) context_->events->Show(character.id, request.show_cause);
      character.player.Forget();
      if (!request.fast) {
        PlayInto(character, timeline, PickStateAnimation(character, "Showing", context_->random),
                 AnimationCause::kRequest);
      }
      break;
    case Kind::kHide:
      if (!character.visible || request.fast) break;
      AddReturn(character, timeline);
      PlayInto(character, timeline, PickStateAnimation(character, "Hiding", context_->random),
               AnimationCause::kRequest);
      break;
    case Kind::kSpeak: {
      if (!character.visible) {
        timeline.status = request_status::kFailed;
        requests_->SetNumber(request.id, service_error::kCharacterHidden);
        break;
      }
      if (!HasSpeakingFrame(character.player.Last())) {
        AddReturn(character, timeline);
        PlayInto(character, timeline, PickStateAnimation(character, "Speaking", context_->random),
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
        requests_->SetNumber(request.id, service_error::kCharacterHidden);
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
        requests_->SetNumber(request.id, service_error::kMoveWhileDragged);
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
               PickStateAnimation(character, std::string("Moving") + Direction(dx, dy),
                                  context_->random),
               AnimationCause::kState);
      timeline.moves = true;
      timeline.move_ms = speed;
      break;
    }
    case Kind::kGestureAt: {
      const int64_t dx = int64_t{request.x} - (character.left + character.width / 2);
      const int64_t dy = int64_t{request.y} - (character.top + character.height / 2);
      const Animation* gesture = PickStateAnimation(
          character, std::string("Gesturing") + Direction(dx, dy), context_->random);
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
      timeline.waits = !requests_->IsFinal(request.other);
      break;
  }
  return timeline;
}

void CharacterEngine::Finish(size_t index, RequestId id, int status) {
  Character& character = *characters_[index];
  if (!character.queue.InProgress(id)) return;
  const Request& request = character.queue.Front();
  if (status == request_status::kComplete) {
    if (request.kind == Kind::kHide && character.visible) {
      character.visible = false;
      character.player.Forget();
      if (context_->sink != nullptr) context_->sink->VisibilityChanged(character.id, false);
      if (context_->events != nullptr) context_->events->Hide(character.id, request.hide_cause);
      if (!character.queue.InProgress(id)) return;
    } else if (request.kind == Kind::kMoveTo) {
      character.left = request.x;
      character.top = request.y;
      // A move that did not slide jumps.
      if (context_->sink != nullptr && !character.now.timeline.moves) {
        context_->sink->MoveStarted(character.id, request.x, request.y, 0);
      }
    }
  }
  CompleteFront(index, status);
}

void CharacterEngine::CompleteFront(size_t index, int status) {
  Character& character = *characters_[index];
  const RequestId id = character.queue.Front().id;
  const bool quiet = character.queue.Front().quiet;
  character.queue.PopFront();
  character.queue.SetBusy(false);
  CancelTimers(character);  // a move may end while its animation still plays
  character.player.Reset();
  character.now.activity = Activity::kNone;
  requests_->SetStatus(id, status);
  if (context_->events != nullptr && !quiet) context_->events->RequestComplete(id, status);
  ReleaseWaiters(id);
}

void CharacterEngine::ReleaseWaiters(RequestId finished) {
  for (size_t index = 0; index < characters_.size(); ++index) {
    if (!characters_[index]->queue.WaitsFor(finished)) continue;
    CompleteFront(index, request_status::kComplete);
    StartNext(index);
  }
}

void CharacterEngine::CancelTimers(Character& character) {
  for (TimerId timer : character.now.timers) scheduler_.Cancel(timer);
  character.now.timers.clear();
  character.player.CancelTimers();
}

// What the request in progress shows and says ends here: a slide halts
// where it has got to, which is where the character then stands, and its
// speech goes silent. The front is still in the queue.
void CharacterEngine::CutShort(size_t index, bool halt_on_screen) {
  Character& character = *characters_[index];
  if (!character.queue.Busy() || character.queue.Empty()) return;
  const Request& front = character.queue.Front();
  engine::Performance& now = character.now;
  if (front.kind == Kind::kMoveTo && now.timeline.moves) {
    const double t = std::clamp(static_cast<double>(scheduler_.Now() - now.slide_start) /
                                    static_cast<double>(std::max<int64_t>(1, now.timeline.move_ms)),
                                0.0, 1.0);
    auto along = [t](int32_t from, int32_t to) {
      return from + static_cast<int32_t>(std::lround((to - from) * t));
    };
    character.left = along(now.slide_from_x, front.x);
    character.top = along(now.slide_from_y, front.y);
    now.timeline.moves = false;
    if (halt_on_screen && context_->sink != nullptr) {
      context_->sink->MoveStarted(character.id, character.left, character.top, 0);
    }
  }
  const bool speaking = (front.kind == Kind::kSpeak || front.kind == Kind::kThink) &&
                        now.next_part > 0 && now.next_part <= now.timeline.parts.size() &&
                        now.timeline.parts[now.next_part - 1].animation == nullptr;
  if (speaking && context_->sink != nullptr) context_->sink->SpeechStopped(character.id);
}

// The request in progress is taken away: what it showed winds down through
// its exit branches, and the next request waits for that.
void CharacterEngine::StopFront(size_t index) {
  Character& character = *characters_[index];
  CancelTimers(character);
  character.queue.SetBusy(false);
  if (character.player.Playing()) {
    StartWindDown(index);
  } else {
    character.now.activity = Activity::kNone;
  }
}

// Removed requests end as interrupted (or failed), for `number`; their
// events follow from the pump.
void CharacterEngine::Interrupt(size_t index, std::vector<RequestId> removed, int status,
                                int32_t number) {
  if (removed.empty()) return;
  for (RequestId id : removed) {
    requests_->SetStatus(id, status);
    requests_->SetNumber(id, number);
  }
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, index, status, removed = std::move(removed)] {
    if (alive.expired()) return;
    for (RequestId id : removed) {
      if (context_->events != nullptr) context_->events->RequestComplete(id, status);
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
    requests_->Check(wanted);
    if (requests_->Owner(wanted) != index) {
      throw VbError(service_error::kStopOtherCharacter,
                    "A character cannot stop another character's request");
    }
    stop_front = character.queue.InProgress(wanted);
    if (stop_front) CutShort(index, true);
    if (character.queue.Take(wanted)) removed.push_back(wanted);
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
  const bool busy = character.queue.Busy();
  const bool spare = busy && (character.queue.Front().kind == Kind::kShow ||
                              character.queue.Front().kind == Kind::kHide);
  const bool stop_front = !spare && busy;
  if (stop_front) CutShort(index, true);
  std::vector<RequestId> removed = character.queue.TakeAll(spare);
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
  const bool stop_front =
      character.queue.Busy() && !character.queue.Empty() && matches(character.queue.Front().kind);
  if (stop_front) CutShort(index, true);
  std::vector<RequestId> removed =
      character.queue.TakeMatching([&](const Request& queued) { return matches(queued.kind); });
  Interrupt(index, std::move(removed));
  if (stop_front) StopFront(index);
}

}  // namespace zarn
