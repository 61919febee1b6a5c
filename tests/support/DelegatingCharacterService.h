#pragma once

// Passes every call to another character service; tests override the few
// members whose behaviour they need to change.

#include "ports/CharacterServicePort.h"

namespace zarn::testing {

class DelegatingCharacterService : public CharacterServicePort {
 public:
  explicit DelegatingCharacterService(CharacterServicePort& inner) : inner_(inner) {}

  void SetEvents(CharacterServiceEvents* e) override { inner_.SetEvents(e); }
  bool Connected() const override { return inner_.Connected(); }
  void SetConnected(bool c) override { inner_.SetConnected(c); }
  void SetPropertySheetVisible(bool v) override { inner_.SetPropertySheetVisible(v); }
  void Load(const std::string& id, const std::string& path) override { inner_.Load(id, path); }
  bool IsLoaded(const std::string& id) const override { return inner_.IsLoaded(id); }
  void Unload(const std::string& id) override { inner_.Unload(id); }
  std::string Name(const std::string& id) const override { return inner_.Name(id); }
  bool Visible(const std::string& id) const override { return inner_.Visible(id); }
  bool HasOtherClients(const std::string& id) const override { return inner_.HasOtherClients(id); }
  int32_t Left(const std::string& id) const override { return inner_.Left(id); }
  int32_t Top(const std::string& id) const override { return inner_.Top(id); }
  int32_t Width(const std::string& id) const override { return inner_.Width(id); }
  int32_t Height(const std::string& id) const override { return inner_.Height(id); }
  void SetWidth(const std::string& id, int16_t w) override { inner_.SetWidth(id, w); }
  void SetHeight(const std::string& id, int16_t h) override { inner_.SetHeight(id, h); }
  void SetLanguageID(const std::string& id, int32_t l) override { inner_.SetLanguageID(id, l); }
  void SetTTSModeID(const std::string& id, const std::string& m) override {
    inner_.SetTTSModeID(id, m);
  }
  void SetBalloonFontName(const std::string& id, const std::string& f) override {
    inner_.SetBalloonFontName(id, f);
  }
  void SetBalloonFontSize(const std::string& id, int32_t s) override {
    inner_.SetBalloonFontSize(id, s);
  }
  void SetBalloonStyle(const std::string& id, int32_t s) override { inner_.SetBalloonStyle(id, s); }
  std::vector<std::string> AnimationNames(const std::string& id) const override {
    return inner_.AnimationNames(id);
  }
  RequestId Show(const std::string& id, std::optional<bool> f) override {
    return inner_.Show(id, f);
  }
  RequestId Hide(const std::string& id, std::optional<bool> f) override {
    return inner_.Hide(id, f);
  }
  RequestId Speak(const std::string& id, const std::string& t, const std::string& u) override {
    return inner_.Speak(id, t, u);
  }
  RequestId Think(const std::string& id, const std::string& t) override {
    return inner_.Think(id, t);
  }
  RequestId Play(const std::string& id, const std::string& a) override {
    return inner_.Play(id, a);
  }
  RequestId MoveTo(const std::string& id, int16_t x, int16_t y, std::optional<int32_t> s) override {
    return inner_.MoveTo(id, x, y, s);
  }
  RequestId GestureAt(const std::string& id, int16_t x, int16_t y) override {
    return inner_.GestureAt(id, x, y);
  }
  RequestId Get(const std::string& id, const std::string& t, const std::string& n,
                bool q) override {
    return inner_.Get(id, t, n, q);
  }
  RequestId Wait(const std::string& id, RequestId o) override { return inner_.Wait(id, o); }
  void Stop(const std::string& id, std::optional<RequestId> r) override { inner_.Stop(id, r); }
  void StopAll(const std::string& id, std::optional<std::string> t) override {
    inner_.StopAll(id, t);
  }
  bool Listen(const std::string& id, bool l) override { return inner_.Listen(id, l); }
  void CommandsRemoveAll(const std::string& id) override { inner_.CommandsRemoveAll(id); }
  void SetCommandsCaption(const std::string& id, const std::string& c) override {
    inner_.SetCommandsCaption(id, c);
  }
  void SetCommandsVoice(const std::string& id, const std::string& v) override {
    inner_.SetCommandsVoice(id, v);
  }
  void CommandsAdd(const std::string& id, const std::string& n, const std::string& c,
                   const std::string& v) override {
    inner_.CommandsAdd(id, n, c, v);
  }
  std::string CommandCaption(const std::string& id, const std::string& n) const override {
    return inner_.CommandCaption(id, n);
  }
  int32_t CommandsCount(const std::string& id) const override { return inner_.CommandsCount(id); }
  int RequestStatus(RequestId r) const override { return inner_.RequestStatus(r); }

 protected:
  CharacterServicePort& inner_;
};

}  // namespace zarn::testing
