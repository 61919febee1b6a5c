#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QTimer>
#include <QVariantMap>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/service/ServiceBook.h"
#include "ports/CharacterServicePort.h"
#include "ports/TracePort.h"

namespace zarn {

inline constexpr const char* kServiceName = "org.zarnplay.Characters";
inline constexpr const char* kServicePath = "/org/zarnplay/Characters";
inline constexpr const char* kManagerInterface = "org.zarnplay.Characters1";
inline constexpr const char* kCharacterInterface = "org.zarnplay.Character1";

// The character service on a bus: the manager object and one object per
// loaded character, each call checked, booked to its client and passed to
// `characters` (the traced engine); the engine's events go back as signals
// to the clients they belong to.
class CharacterBus : public QDBusVirtualObject, public CharacterServiceEvents {
 public:
  CharacterBus(CharacterServicePort& characters, std::vector<std::string> folders,
               QDBusConnection bus);
  ~CharacterBus() override;

  // Registers the objects and takes the name; false when another service
  // holds it.
  bool Start();
  // The client a trace record is about: the one whose call is being
  // handled, or who made the record's request; "" for none.
  std::string ClientOf(const TraceRecord& record) const;
  // `quit` runs once nobody has used the service for `linger_ms`.
  void QuitWhenUnused(int linger_ms, std::function<void()> quit);

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  // CharacterServiceEvents (CharacterBusEvents.cpp).
  void RequestStart(RequestId request) override;
  void RequestComplete(RequestId request, int status) override;
  void Bookmark(int32_t bookmark_id, const std::string& character_id, RequestId request) override;
  void Command(const UserInput& input) override;
  void Show(const std::string& character_id, int cause) override;
  void Hide(const std::string& character_id, int cause) override;
  void IdleStart(const std::string& character_id) override;
  void IdleComplete(const std::string& character_id) override;
  void Click(const std::string& character_id, int button, int shift, int x, int y) override;
  void DblClick(const std::string& character_id, int button, int shift, int x, int y) override;
  void DragComplete(const std::string& character_id, int button, int shift, int x, int y) override;
  void ListenStart(const std::string& character_id) override;
  void ListenComplete(const std::string& character_id, int cause) override;
  void Move(const std::string& character_id, int x, int y, int cause) override;
  void ClientChosen(const std::string& character_id, int other) override;

 private:
  using Character = ServiceBook::Character;

  // Calls wait in one inbox per client and are taken in turns, so that a
  // client flooding the service never holds up another's call.
  void Handle(const QDBusMessage& message);
  void Drain();

  QDBusMessage Manager(const QDBusMessage& call);
  QDBusMessage OnCharacter(const QDBusMessage& call, Character& character);
  QDBusMessage Properties(const QDBusMessage& call);
  QVariantMap AllProperties(Character& character, const std::string& client) const;
  QVariantMap ManagerProperties() const;
  void SetProperty(Character& character, const std::string& client, const QString& name,
                   const QVariant& value);
  RequestId Queue(const QDBusMessage& call, Character& character);
  QDBusMessage Load(const QDBusMessage& call, const std::string& client);
  void Leave(Character& character, const std::string& client);
  void ClientGone(const QString& client);
  void StopRequests(Character& character, const std::string& client);
  void SyncCommands(Character& character);
  void MakeInputActive(Character& character, const std::string& client);

  // Signals (CharacterBusEvents.cpp).
  void SignalTo(const std::string& client, const std::string& object_path, const QString& name,
                const QVariantList& args);
  void SignalAll(const Character& character, const QString& name, const QVariantList& args);
  void PropertiesChanged(const std::string& object_path, const QVariantMap& changed);
  void UsersChanged(Character& character);
  void CheckUnused();

  CharacterServicePort& characters_;
  std::vector<std::string> folders_;
  QDBusConnection bus_;
  QDBusServiceWatcher watcher_;
  ServiceBook book_;
  std::map<std::string, std::deque<QDBusMessage>> inbox_;
  std::deque<std::string> turns_;
  bool drain_posted_ = false;
  QTimer linger_;
  std::function<void()> quit_;
  std::string calling_;                          // the client whose call is being handled
  std::map<std::string, std::string> id_paths_;  // engine id -> the file it was first used for
};

}  // namespace zarn
