#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/CharacterServicePort.h"
#include "ports/TracePort.h"

namespace zarn {

// Writes a `call` record for every call into the character service, an
// `event` record for every event it raises and an `anim` record for every
// animation and sound effect a character starts, then passes them on.
// Reads (Visible, Left, Name ...) go through untraced.
class TracingCharacterService : public CharacterServicePort {
 public:
  TracingCharacterService(CharacterServicePort& inner, TracePort& trace);
  ~TracingCharacterService() override;

  void SetEvents(CharacterServiceEvents* events) override;
  bool Connected() const override { return inner_.Connected(); }
  void SetConnected(bool connected) override { inner_.SetConnected(connected); }
  void SetPropertySheetVisible(bool visible) override;
  void Load(const std::string& character_id, const std::string& path) override;
  bool IsLoaded(const std::string& character_id) const override {
    return inner_.IsLoaded(character_id);
  }
  void Unload(const std::string& character_id) override;
  std::string Name(const std::string& id) const override { return inner_.Name(id); }
  bool Visible(const std::string& id) const override { return inner_.Visible(id); }
  bool HasOtherClients(const std::string& id) const override { return inner_.HasOtherClients(id); }
  int32_t Left(const std::string& id) const override { return inner_.Left(id); }
  int32_t Top(const std::string& id) const override { return inner_.Top(id); }
  int32_t Width(const std::string& id) const override { return inner_.Width(id); }
  int32_t Height(const std::string& id) const override { return inner_.Height(id); }
  void SetWidth(const std::string& id, int16_t width) override;
  void SetHeight(const std::string& id, int16_t height) override;
  void SetLanguageID(const std::string& id, int32_t language_id) override;
  void SetTTSModeID(const std::string& id, const std::string& mode_id) override;
  void SetBalloonFontName(const std::string& id, const std::string& font_name) override;
  void SetBalloonFontSize(const std::string& id, int32_t font_size) override;
  void SetBalloonStyle(const std::string& id, int32_t style) override;
  std::vector<std::string> AnimationNames(const std::string& id) const override {
    return inner_.AnimationNames(id);
  }
  bool IdleOn(const std::string& id) const override { return inner_.IdleOn(id); }
  void SetIdleOn(const std::string& id, bool on) override;
  bool SoundEffectsOn(const std::string& id) const override { return inner_.SoundEffectsOn(id); }
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
  std::string CommandCaption(const std::string& id, const std::string& name) const override {
    return inner_.CommandCaption(id, name);
  }
  int32_t CommandsCount(const std::string& id) const override { return inner_.CommandsCount(id); }
  // The service's own bookkeeping, not a call a script makes: untraced.
  void SetOtherClients(const std::string& id, const std::vector<std::string>& captions) override {
    inner_.SetOtherClients(id, captions);
  }
  int RequestStatus(RequestId request) const override { return inner_.RequestStatus(request); }

 private:
  class EventTracer;

  // Runs the call; writes the record with its request, or with the error
  // text when it throws (and rethrows).
  template <typename Call>
  auto Traced(TraceRecord record, Call&& call);

  CharacterServicePort& inner_;
  TracePort& trace_;
  std::unique_ptr<EventTracer> event_tracer_;
};

}  // namespace zarn
