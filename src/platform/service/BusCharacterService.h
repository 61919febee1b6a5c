#pragma once

#include <QDBusConnection>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/service/BusSignal.h"
#include "ports/CharacterServicePort.h"

namespace zarn {

// The character service of a running --service, for a script: its
// characters are the service's, its requests are numbered here as the
// engine would number them alone, and the service's signals come back as
// the script's events. What the bus does not carry (balloon fonts,
// language, listening) is kept here or answered as a lone engine would.
class BusCharacterService : public CharacterServicePort {
 public:
  explicit BusCharacterService(QDBusConnection bus);
  ~BusCharacterService() override;

  // Whether the service is on the bus.
  static bool Running(QDBusConnection& bus);

  void SetEvents(CharacterServiceEvents* events) override { events_ = events; }
  bool Connected() const override { return connected_; }
  void SetConnected(bool connected) override { connected_ = connected; }
  void SetPropertySheetVisible(bool) override {}
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
  int RequestStatus(RequestId request) const override;

 private:
  struct Character {
    QString path;
    std::vector<std::unique_ptr<BusSignal>> watches;
    std::vector<std::pair<std::string, std::string>> commands;  // name, caption
    RequestId last = 0;     // the latest request queued on the service
    RequestId started = 0;  // the latest that started
  };
  const Character& Find(const std::string& id) const;
  QVariant Property(const std::string& id, const char* name) const;
  void SetProperty(const std::string& id, const char* name, const QVariant& value);
  // Calls a queued method; its reply's request, numbered here.
  RequestId Queue(const std::string& id, const char* method, const QVariantList& args);
  QDBusMessage Call(const QString& path, const QString& interface, const char* method,
                    const QVariantList& args) const;
  void Listen(const std::string& id, Character& character);

  QDBusConnection bus_;
  CharacterServiceEvents* events_ = nullptr;
  bool connected_ = false;
  std::map<std::string, Character> characters_;  // by upper-case id
  std::map<uint, RequestId> local_;              // service's number -> ours
  std::map<RequestId, uint> remote_;
  std::map<RequestId, int> status_;
  // Get is a marker that completes with the request before it.
  std::map<RequestId, std::vector<RequestId>> after_;
  void CompleteMarker(RequestId marker);
};

}  // namespace zarn
