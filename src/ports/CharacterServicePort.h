#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

// Request handle of the character service: its ID. 0 means "no request".
using RequestId = int32_t;

// Request.Status values.
namespace request_status {
inline constexpr int kComplete = 0;
inline constexpr int kFailed = 1;
inline constexpr int kPending = 2;
inline constexpr int kInterrupted = 3;
inline constexpr int kInProgress = 4;
}  // namespace request_status

// The Command event's payload.
struct UserInput {
  std::string character_id;
  std::string name;
  int32_t confidence = 100;
  std::string voice;
  std::string alt1_name;
  int32_t alt1_confidence = 0;
  std::string alt1_voice;
  std::string alt2_name;
  int32_t alt2_confidence = 0;
  std::string alt2_voice;
  int32_t count = 1;
};

// Why a listening window ended (the ListenComplete event's cause).
namespace listen_cause {
inline constexpr int kByCode = 1;
inline constexpr int kCodeTimedOut = 2;
inline constexpr int kKeyTimedOut = 3;
inline constexpr int kKeyReleased = 4;
inline constexpr int kSpeechEnded = 5;
}  // namespace listen_cause

// Why a character started an animation.
enum class AnimationCause { kRequest, kState, kReturn, kIdle };

inline const char* AnimationCauseName(AnimationCause cause) {
  switch (cause) {
    case AnimationCause::kRequest:
      return "request";
    case AnimationCause::kState:
      return "state";
    case AnimationCause::kReturn:
      return "return";
    case AnimationCause::kIdle:
      return "idle";
  }
  return "request";
}

// Events the service raises to its client, always from the pump (never
// from inside one of the calls below).
class CharacterServiceEvents {
 public:
  virtual ~CharacterServiceEvents() = default;
  virtual void RequestStart(RequestId request) = 0;
  virtual void RequestComplete(RequestId request, int status) = 0;
  // `\Mrk=n\` reached in `request`, a Speak or Think of `character_id`.
  virtual void Bookmark(int32_t bookmark_id, const std::string& character_id,
                        RequestId request) = 0;
  virtual void Command(const UserInput& input) = 0;
  virtual void Show(const std::string& character_id, int cause) = 0;
  virtual void Hide(const std::string& character_id, int cause) = 0;
  virtual void IdleStart(const std::string& /*character_id*/) {}
  virtual void IdleComplete(const std::string& /*character_id*/) {}
  // The user's mouse on a character: button bits 1 left, 2 right, 4 middle;
  // shift bits 1 Shift, 2 Ctrl, 4 Alt; x, y in screen pixels.
  virtual void Click(const std::string& /*character_id*/, int /*button*/, int /*shift*/, int /*x*/,
                     int /*y*/) {}
  virtual void DblClick(const std::string& /*character_id*/, int /*button*/, int /*shift*/,
                        int /*x*/, int /*y*/) {}
  virtual void DragStart(const std::string& /*character_id*/, int /*button*/, int /*shift*/,
                         int /*x*/, int /*y*/) {}
  virtual void DragComplete(const std::string& /*character_id*/, int /*button*/, int /*shift*/,
                            int /*x*/, int /*y*/) {}
  // A listening window opened, or closed for `cause` (listen_cause).
  virtual void ListenStart(const std::string& /*character_id*/) {}
  virtual void ListenComplete(const std::string& /*character_id*/, int /*cause*/) {}
  // The frame's new top-left; cause 1 the user dragged it, 2 this program.
  virtual void Move(const std::string& /*character_id*/, int /*x*/, int /*y*/, int /*cause*/) {}
  // The user chose another client's caption in the character's menu:
  // `other` indexes the captions given with SetOtherClients.
  virtual void ClientChosen(const std::string& /*character_id*/, int /*other*/) {}
  // What a character's window shows, for the trace: no client hears these.
  virtual void AnimationStart(const std::string& /*character_id*/, const std::string& /*animation*/,
                              AnimationCause /*cause*/) {}
  virtual void SoundStart(const std::string& /*character_id*/, const std::string& /*animation*/,
                          int /*frame*/, int /*sound*/) {}
};

// The character service (control, characters collection, characters,
// balloons, commands, requests). Every call that fails throws VbError with
// the service's error number (for example 0x80042002 for a character that
// is not loaded) and a description.
class CharacterServicePort {
 public:
  virtual ~CharacterServicePort() = default;

  virtual void SetEvents(CharacterServiceEvents* events) = 0;

  // Control.
  virtual bool Connected() const = 0;
  virtual void SetConnected(bool connected) = 0;
  virtual void SetPropertySheetVisible(bool visible) = 0;

  // Characters collection. An empty path loads the default character.
  virtual void Load(const std::string& character_id, const std::string& path) = 0;
  // Characters(id) can be obtained: the id is loaded.
  virtual bool IsLoaded(const std::string& character_id) const = 0;
  // Its requests end as interrupted and it leaves the screen; the id can
  // be loaded again.
  virtual void Unload(const std::string& character_id) = 0;

  // Character properties (throw when the id is not loaded).
  virtual std::string Name(const std::string& id) const = 0;
  virtual bool Visible(const std::string& id) const = 0;
  virtual bool HasOtherClients(const std::string& id) const = 0;
  virtual int32_t Left(const std::string& id) const = 0;
  virtual int32_t Top(const std::string& id) const = 0;
  virtual int32_t Width(const std::string& id) const = 0;
  virtual int32_t Height(const std::string& id) const = 0;
  virtual void SetWidth(const std::string& id, int16_t width) = 0;
  virtual void SetHeight(const std::string& id, int16_t height) = 0;
  virtual void SetLanguageID(const std::string& id, int32_t language_id) = 0;
  virtual void SetTTSModeID(const std::string& id, const std::string& mode_id) = 0;
  virtual void SetBalloonFontName(const std::string& id, const std::string& font_name) = 0;
  virtual void SetBalloonFontSize(const std::string& id, int32_t font_size) = 0;
  virtual void SetBalloonStyle(const std::string& id, int32_t style) = 0;
  virtual std::vector<std::string> AnimationNames(const std::string& id) const = 0;
  // Whether the character idles by itself when it has nothing to do.
  virtual bool IdleOn(const std::string& /*id*/) const { return true; }
  virtual void SetIdleOn(const std::string& /*id*/, bool /*on*/) {}
  // Whether its animations' sound effects are heard.
  virtual bool SoundEffectsOn(const std::string& /*id*/) const { return true; }
  virtual void SetSoundEffectsOn(const std::string& /*id*/, bool /*on*/) {}

  // Queued character methods; each returns the new request.
  virtual RequestId Show(const std::string& id, std::optional<bool> fast) = 0;
  virtual RequestId Hide(const std::string& id, std::optional<bool> fast) = 0;
  virtual RequestId Speak(const std::string& id, const std::string& text,
                          const std::string& url) = 0;
  virtual RequestId Think(const std::string& id, const std::string& text) = 0;
  virtual RequestId Play(const std::string& id, const std::string& animation) = 0;
  virtual RequestId MoveTo(const std::string& id, int16_t x, int16_t y,
                           std::optional<int32_t> speed) = 0;
  virtual RequestId GestureAt(const std::string& id, int16_t x, int16_t y) = 0;
  virtual RequestId Get(const std::string& id, const std::string& type, const std::string& name,
                        bool queue) = 0;
  virtual RequestId Wait(const std::string& id, RequestId other) = 0;

  // Not queued.
  virtual void Stop(const std::string& id, std::optional<RequestId> request) = 0;
  virtual void StopAll(const std::string& id, std::optional<std::string> types) = 0;
  virtual bool Listen(const std::string& id, bool listen) = 0;

  // Commands collection of a character.
  virtual void CommandsRemoveAll(const std::string& id) = 0;
  virtual void SetCommandsCaption(const std::string& id, const std::string& caption) = 0;
  virtual void SetCommandsVoice(const std::string& id, const std::string& voice) = 0;
  virtual void CommandsAdd(const std::string& id, const std::string& name,
                           const std::string& caption, const std::string& voice) = 0;
  // Commands.Item(name).Caption; throws when there is no such command.
  virtual std::string CommandCaption(const std::string& id, const std::string& name) const = 0;
  virtual int32_t CommandsCount(const std::string& id) const = 0;
  // The captions of the other programs that use the character, listed in
  // its menu to make one of them the one its commands go to.
  virtual void SetOtherClients(const std::string& /*id*/,
                               const std::vector<std::string>& /*captions*/) {}

  // Request.Status; throws for an unknown request.
  virtual int RequestStatus(RequestId request) const = 0;
};

}  // namespace zarn
