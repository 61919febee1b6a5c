#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "charengine/AnimationPath.h"
#include "charengine/BranchRandom.h"
#include "charengine/CharacterModel.h"
#include "charengine/CharacterRenderSink.h"
#include "charengine/ServiceErrors.h"
#include "charengine/SpeechTags.h"
#include "charengine/SpeechTiming.h"
#include "ports/CharacterServicePort.h"
#include "ports/Scheduler.h"

namespace zarn {

// The engine's parts, private to it.
namespace engine {
struct Context;
struct Request;
struct Timeline;
class RequestLedger;
}  // namespace engine

struct CharacterEngineOptions {
  uint32_t seed = 1;
  // Speaking rate for characters whose file gives none.
  int default_words_per_minute = 150;
  // Searched after the path as given; see CharacterFolders().
  std::vector<std::string> character_folders;
  // What Load with an empty path loads; empty: there is no default character.
  std::string default_character;
  // Whether a speech recognizer exists (Listen reports False without one).
  bool speech_input = false;
  // Starts or stops hearing a character as its listening window opens and
  // closes; when set, it (not speech_input) says whether a window can open.
  std::function<bool(const std::string& character_id, bool listen)> listen;
  // The length of a sound file that speaks; nothing when it cannot be read,
  // and the text then sets the time as a speech engine would.
  std::function<std::optional<int64_t>(const std::string& path)> sound_length_ms;
  // The length of a character's sound effect (a whole WAV file); a sound
  // that cannot be read holds nothing up.
  std::function<std::optional<int64_t>(std::span<const uint8_t> wave)> sound_effect_ms;
  // Times what characters say; empty: PlanSpeech's words-per-minute model.
  SpeechPlanner speech_planner;
};

// Idling, in the service's own manner (the app can turn it off with IdleOn):
// after the queue has been empty this long the last animation's Return
// plays and IdleStart is raised;
inline constexpr int64_t kIdleDelayMs = 5000;
// idle animations then follow one another with a pause of this much (drawn
// anew each time);
inline constexpr int64_t kIdleGapMinMs = 4000;
inline constexpr int64_t kIdleGapMaxMs = 8000;
// the first idle period plays IdlingLevel1, the second IdlingLevel2, and
// IdlingLevel3 follows until a request ends idling.
inline constexpr int64_t kIdlePeriodMs = 15000;

// A looping animation is planned ahead this many frames at a time.
inline constexpr size_t kLoopStretchSteps = 64;

// MoveTo without a speed takes this long.
inline constexpr int32_t kDefaultMoveMillis = 1000;

// Listen(True) listens this long; the listening key holds a window open
// for as long as it is down, up to the second figure.
inline constexpr int64_t kListenWindowMs = 10000;
inline constexpr int64_t kKeyListenWindowMs = 10 * 60 * 1000;

// Reads the character file at a resolved path; throws CharFileError.
using CharacterLoader = std::function<CharacterModel(const std::string& path)>;

struct BalloonSettings {
  std::string font_name;
  int32_t font_size = 0;  // points
  int32_t style = 0;      // balloon style bits, chars per line, lines
};

struct CharacterCommand {
  std::string name;
  std::string caption;
  std::string voice;
};

// Our character service: one request queue per character, timing from the
// character's frames and a words-per-minute speech model, events raised
// from scheduled tasks only. It renders nothing; a render sink may watch.
// Each character's state lives in parts of its own (EngineCharacter.h: the
// request queue, the animation player, idling, listening, the command
// list); this class decides the order in which they act. A method kept in
// a file of its own includes EngineCharacter.h and reaches them by Find.
class CharacterEngine : public CharacterServicePort {
 public:
  // Reads characters with LoadCharacterModel.
  CharacterEngine(Scheduler& scheduler, CharacterEngineOptions options);
  CharacterEngine(Scheduler& scheduler, CharacterEngineOptions options, CharacterLoader loader);
  ~CharacterEngine() override;

  void SetRenderSink(CharacterRenderSink* sink);

  // Characters whose request is held by an animation that loops until it
  // is stopped: (character id, animation name). A run that ends with only
  // these and idling left says so.
  std::vector<std::pair<std::string, std::string>> HeldLoops() const;

  // Loads a character made in memory, as Load does with a file.
  void LoadModel(const std::string& character_id, CharacterModel model);
  // The user gave a command (voice or menu): raises Command from the pump.
  void SimulateCommand(const UserInput& input);

  // The user's mouse on a character's window (CharacterEngineMouse.cpp).
  // Button, shift and the screen point are passed on as the events carry
  // them; events are raised from the loop. A drag that ends leaves the frame
  // at (left, top) and raises DragComplete, then Move with cause 1.
  void UserClick(const std::string& id, int button, int shift, int x, int y, bool double_click);
  void UserDragStart(const std::string& id, int button, int shift, int x, int y);
  void UserDragComplete(const std::string& id, int left, int top, int button, int shift, int x,
                        int y);
  // Hide chosen from the character's own menu: the Hide event's cause is 7;
  // said as a voice command it is 1.
  RequestId UserHide(const std::string& id, int cause = 7);
  // The user said a hidden character's name: Show with cause 2.
  RequestId UserShow(const std::string& id);

  // Listening windows (CharacterEngineListen.cpp): ListenStart and
  // ListenComplete come from the loop. The key opens a window and plays the
  // Listening state; the input side says when speech starts (Hearing
  // plays) and ends (the window closes).
  void ListeningKey(const std::string& id, bool down);
  void SpeechStarted(const std::string& id);
  void SpeechEnded(const std::string& id);
  bool IsListening(const std::string& id) const;
  // Every loaded character, in load order.
  std::vector<std::string> CharacterIds() const;
  // What a renderer draws; throws for a character that is not loaded.
  const CharacterModel& Model(const std::string& id) const;

  // For a desktop's menus and balloons.
  BalloonSettings Balloon(const std::string& id) const;
  std::vector<CharacterCommand> Commands(const std::string& id) const;
  std::string CommandsCaption(const std::string& id) const;
  // The other clients' captions (SetOtherClients); the user choosing one
  // raises ClientChosen from the pump.
  std::vector<std::string> OtherClients(const std::string& id) const;
  void UserChooseClient(const std::string& id, int other);
  std::string CommandsVoice(const std::string& id) const;
  bool PropertySheetVisible() const { return property_sheet_visible_; }
  int32_t LanguageID(const std::string& id) const;
  std::string TTSModeID(const std::string& id) const;

  // CharacterServicePort.
  void SetEvents(CharacterServiceEvents* events) override;
  bool Connected() const override { return connected_; }
  void SetConnected(bool connected) override { connected_ = connected; }
  void SetPropertySheetVisible(bool visible) override { property_sheet_visible_ = visible; }
  void Load(const std::string& character_id, const std::string& path) override;
  bool IsLoaded(const std::string& character_id) const override;
  void Unload(const std::string& character_id) override;
  std::string Name(const std::string& id) const override;
  bool Visible(const std::string& id) const override;
  bool HasOtherClients(const std::string& id) const override;
  int32_t Left(const std::string& id) const override;
  int32_t Top(const std::string& id) const override;
  int32_t Width(const std::string& id) const override;
  int32_t Height(const std::string& id) const override;
  void SetWidth(const std::string& id, int16_t width) override;
  void SetHeight(const std::string& id, int16_t height) override;
  void SetLanguageID(const std::string& id, int32_t language_id) override;
  void SetTTSModeID(const std::string& id, const std::string& mode_id) override;
  void SetBalloonFontName(const std::string& id, const std::string& font_name) override;
  void SetBalloonFontSize(const std::string& id, int32_t font_size) override;
  void SetBalloonStyle(const std::string& id, int32_t style) override;
  std::vector<std::string> AnimationNames(const std::string& id) const override;
  bool IdleOn(const std::string& id) const override;
  void SetIdleOn(const std::string& id, bool on) override;
  bool SoundEffectsOn(const std::string& id) const override;
  void SetSoundEffectsOn(const std::string& id, bool on) override;
  RequestId Show(const std::string& id, std::optional<bool> fast) override;
  RequestId Hide(const std::string& id, std::optional<bool> fast) override;
  RequestId Speak(const std::string& id, const std::string& text, const std::string& url) override;
  RequestId Think(const std::string& id, const std::string& text) override;
  RequestId Play(const std::string& id, const std::string& animation) override;
  RequestId MoveTo(const std::string& id, int16_t x, int16_t y,
                   std::optional<int32_t> speed) override;
  RequestId GestureAt(const std::string& id, int16_t x, int16_t y) override;
  RequestId Get(const std::string& id, const std::string& type, const std::string& name,
                bool queue) override;
  RequestId Wait(const std::string& id, RequestId other) override;
  void Stop(const std::string& id, std::optional<RequestId> request) override;
  void StopAll(const std::string& id, std::optional<std::string> types) override;
  bool Listen(const std::string& id, bool listen) override;
  void CommandsRemoveAll(const std::string& id) override;
  void SetCommandsCaption(const std::string& id, const std::string& caption) override;
  void SetCommandsVoice(const std::string& id, const std::string& voice) override;
  void CommandsAdd(const std::string& id, const std::string& name, const std::string& caption,
                   const std::string& voice) override;
  std::string CommandCaption(const std::string& id, const std::string& name) const override;
  int32_t CommandsCount(const std::string& id) const override;
  void SetOtherClients(const std::string& id, const std::vector<std::string>& captions) override;
  int RequestStatus(RequestId request) const override;
  // Request.Number: why a request failed or was interrupted; 0 if nothing says.
  int32_t RequestNumber(RequestId request) const;

 private:
  // Defined in EngineCharacter.h: what is the character's own, and its parts.
  struct Character;

  Character& Find(const std::string& id);
  const Character& Find(const std::string& id) const;
  size_t IndexOf(const std::string& id) const;
  // The slot holds a loaded character, not one unloaded.
  bool Live(size_t index) const;

  // The queue (CharacterEngineQueue.cpp).
  RequestId Enqueue(const std::string& id, engine::Request request);
  void PostKick(size_t index);
  void StartNext(size_t index);
  engine::Timeline Begin(size_t index, engine::Request& request);
  void Finish(size_t index, RequestId request, int status);
  void CompleteFront(size_t index, int status);
  void ReleaseWaiters(RequestId finished);
  void Interrupt(size_t index, std::vector<RequestId> removed,
                 int status = request_status::kInterrupted,
                 int32_t number = service_error::kInterruptedByApplication);
  void CancelTimers(Character& character);
  void CutShort(size_t index, bool halt_on_screen);
  void Flush(size_t index, int32_t number);
  void StopFront(size_t index);

  // Animation helpers.
  const Animation* PickStateAnimation(const Character& character, std::string_view state,
                                      BranchRandom& random);
  void AddReturn(Character& character, engine::Timeline& timeline);
  void PlayInto(Character& character, engine::Timeline& timeline, const Animation* animation,
                AnimationCause cause);
  int WordsPerMinute(const Character& character) const;
  SpeechPlan Plan(const Character& character, const engine::Request& request,
                  SpeechMode mode) const;

  // Running a request's parts (CharacterEnginePlayback.cpp).
  bool RunParts(size_t index);
  void OnPartEnd(size_t index);
  bool StartSpeech(size_t index);
  void LoopReached(size_t index);
  bool ShouldLeaveLoop(const Character& character) const;
  void PostLeaveLoop(size_t index);
  void StartWindDown(size_t index);

  // Listening (CharacterEngineListen.cpp).
  void OpenWindow(size_t index, bool by_key);
  void CloseWindow(size_t index, int cause);
  void PlayServerState(size_t index, std::string_view state);

  // Idling (CharacterEngineIdle.cpp).
  void MaybeIdle(size_t index);
  void StartIdling(size_t index);
  void PlayIdle(size_t index);
  void IdlePartsDone(size_t index);
  void EndIdle(size_t index);
  bool IdleBusy(const Character& character) const;

  Scheduler& scheduler_;
  CharacterEngineOptions options_;
  CharacterLoader loader_;
  std::unique_ptr<engine::Context> context_;
  std::unique_ptr<engine::RequestLedger> requests_;
  bool connected_ = false;
  bool property_sheet_visible_ = false;
  std::vector<std::unique_ptr<Character>> characters_;
  std::unordered_map<std::string, size_t> index_;  // upper-case id -> characters_
  // Slots of unloaded characters, for the next Load: tasks posted for a
  // slot look it up when they run, so it is never taken away.
  std::vector<size_t> free_slots_;
};

}  // namespace zarn
