// The engine's events as signals to the clients they belong to.
#include "base/VbError.h"
#include "platform/service/CharacterBus.h"

namespace zarn {

void CharacterBus::SignalTo(const std::string& client, const std::string& object_path,
                            const QString& name, const QVariantList& args) {
  if (client.empty()) return;
  QDBusMessage signal = QDBusMessage::createTargetedSignal(QString::fromStdString(client),
                                                           QString::fromStdString(object_path),
                                                           kCharacterInterface, name);
  signal.setArguments(args);
  bus_.send(signal);
}

void CharacterBus::SignalAll(const Character& character, const QString& name,
                             const QVariantList& args) {
  for (const std::string& client : character.clients) {
    SignalTo(client, character.object_path, name, args);
  }
}

void CharacterBus::PropertiesChanged(const std::string& object_path, const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(
      QString::fromStdString(object_path), "org.freedesktop.DBus.Properties", "PropertiesChanged");
  signal.setArguments({QString(kCharacterInterface), changed, QStringList()});
  bus_.send(signal);
}

void CharacterBus::UsersChanged(Character& character) {
  PropertiesChanged(character.object_path, {{"HasOtherClients", character.clients.size() > 1}});
  CheckUnused();
}

void CharacterBus::RequestStart(RequestId request) {
  const ServiceBook::Request* booked = book_.FindRequest(request);
  if (booked == nullptr) return;
  Character* character = book_.ByEngineId(booked->engine_id);
  if (character == nullptr) return;
  SignalTo(booked->client, character->object_path, "RequestStart", {static_cast<uint>(request)});
  if (booked->interrupts != 0) {
    const ServiceBook::Request* target = book_.FindRequest(booked->interrupts);
    if (target != nullptr) {
      try {
        characters_.Stop(target->engine_id, booked->interrupts);
      } catch (const VbError&) {
        // It ended meanwhile.
      }
    }
  }
}

void CharacterBus::RequestComplete(RequestId request, int status) {
  const ServiceBook::Request* booked = book_.FindRequest(request);
  if (booked == nullptr) return;
  if (Character* character = book_.ByEngineId(booked->engine_id)) {
    SignalTo(booked->client, character->object_path, "RequestComplete",
             {static_cast<uint>(request), static_cast<uint>(status)});
  }
  book_.EndRequest(request);
}

// Only the client whose Speak carried the mark hears it.
void CharacterBus::Bookmark(int32_t bookmark_id, const std::string& character_id,
                            RequestId request) {
  const ServiceBook::Request* booked = book_.FindRequest(request);
  if (booked == nullptr) return;
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalTo(booked->client, character->object_path, "Bookmark", {static_cast<uint>(bookmark_id)});
  }
}

void CharacterBus::Command(const UserInput& input) {
  if (Character* character = book_.ByEngineId(input.character_id)) {
    SignalTo(character->input_active, character->object_path, "Command",
             {QString::fromStdString(input.name), input.confidence});
  }
}

void CharacterBus::ClientChosen(const std::string& character_id, int other) {
  Character* character = book_.ByEngineId(character_id);
  // The menu may be older than a client leaving.
  if (character == nullptr || other < 0 || static_cast<size_t>(other) >= character->others.size()) {
    return;
  }
  MakeInputActive(*character, character->others[static_cast<size_t>(other)]);
}

void CharacterBus::Show(const std::string& character_id, int cause) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalAll(*character, "Shown", {static_cast<uint>(cause)});
    PropertiesChanged(character->object_path, {{"Visible", true}});
  }
}

void CharacterBus::Hide(const std::string& character_id, int cause) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalAll(*character, "Hidden", {static_cast<uint>(cause)});
    PropertiesChanged(character->object_path, {{"Visible", false}});
  }
}

void CharacterBus::IdleStart(const std::string& character_id) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalAll(*character, "IdleStart", {});
  }
}

void CharacterBus::IdleComplete(const std::string& character_id) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalAll(*character, "IdleComplete", {});
  }
}

void CharacterBus::Click(const std::string& character_id, int button, int /*shift*/, int x, int y) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalTo(character->input_active, character->object_path, "Click",
             {static_cast<uint>(button), x, y});
  }
}

void CharacterBus::DblClick(const std::string& character_id, int button, int /*shift*/, int x,
                            int y) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalTo(character->input_active, character->object_path, "DblClick",
             {static_cast<uint>(button), x, y});
  }
}

void CharacterBus::DragComplete(const std::string& character_id, int /*button*/, int /*shift*/,
                                int x, int y) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalTo(character->input_active, character->object_path, "DragComplete", {x, y});
  }
}

void CharacterBus::ListenStart(const std::string& character_id) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalAll(*character, "ListenStart", {});
  }
}

void CharacterBus::ListenComplete(const std::string& character_id, int cause) {
  if (Character* character = book_.ByEngineId(character_id)) {
    SignalAll(*character, "ListenComplete", {static_cast<uint>(cause)});
  }
}

void CharacterBus::Move(const std::string& character_id, int x, int y, int /*cause*/) {
  if (Character* character = book_.ByEngineId(character_id)) {
    PropertiesChanged(character->object_path, {{"Left", x}, {"Top", y}});
  }
}

}  // namespace zarn
