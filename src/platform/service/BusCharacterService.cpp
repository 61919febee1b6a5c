#include "platform/service/BusCharacterService.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "base/VbError.h"
#include "base/VbString.h"
#include "charengine/CharacterLookup.h"
#include "charengine/ServiceErrors.h"
#include "platform/service/BusErrors.h"
#include "platform/service/CharacterBus.h"

namespace zarn {

BusCharacterService::BusCharacterService(QDBusConnection bus) : bus_(std::move(bus)) {}

BusCharacterService::~BusCharacterService() {
  // What this script loaded is the service's again; it hides what nobody
  // else uses once we are gone from the bus.
  for (auto& [id, character] : characters_) {
    try {
      Call(kServicePath, kManagerInterface, "Unload",
           {QVariant::fromValue(QDBusObjectPath(character.path))});
    } catch (const VbError&) {
      // The service went first: nothing left to unload.
    }
  }
}

bool BusCharacterService::Running(QDBusConnection& bus) {
  return bus.isConnected() && bus.interface()->isServiceRegistered(kServiceName).value();
}

QDBusMessage BusCharacterService::Call(const QString& path, const QString& interface,
                                       const char* method, const QVariantList& args) const {
  auto call = QDBusMessage::createMethodCall(kServiceName, path, interface, method);
  call.setArguments(args);
  QDBusMessage reply = bus_.call(call);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    throw VbError(EngineErrorNumber(reply.errorName().toStdString()),
                  reply.errorMessage().toStdString());
  }
  return reply;
}

const BusCharacterService::Character& BusCharacterService::Find(const std::string& id) const {
  auto it = characters_.find(UCase(id));
  if (it == characters_.end()) {
    throw VbError(service_error::kCharacterNotLoaded, "The character \"" + id + "\" is not loaded");
  }
  return it->second;
}

void BusCharacterService::Load(const std::string& character_id, const std::string& path) {
  if (characters_.count(UCase(character_id))) {
    throw VbError(service_error::kAlreadyLoaded,
                  "The character \"" + character_id + "\" is already loaded");
  }
  // Found here, where the script is: the service runs elsewhere.
  const auto found = FindCharacterFile(path, CharacterFolders([](const std::string& name) {
                                         const char* value = std::getenv(name.c_str());
                                         return std::string(value ? value : "");
                                       }));
  const std::string wanted = found ? std::filesystem::absolute(*found).string() : path;
  const QDBusMessage reply =
      Call(kServicePath, kManagerInterface, "Load", {QString::fromStdString(wanted)});
  Character& character = characters_[UCase(character_id)];
  character.path = reply.arguments().value(0).value<QDBusObjectPath>().path();
  Listen(character_id, character);
}

void BusCharacterService::Listen(const std::string& id, Character& character) {
  auto on = [&](const char* name, std::function<void(const QVariantList&)> handle) {
    character.watches.push_back(
        std::make_unique<BusSignal>(bus_, QString(), character.path, kCharacterInterface, name,
                                    [this, handle](const QDBusMessage& message) {
                                      if (events_ != nullptr) handle(message.arguments());
                                    }));
  };
  on("RequestStart", [this, &character](const QVariantList& a) {
    auto it = local_.find(a.value(0).toUInt());
    if (it == local_.end()) return;
    status_[it->second] = request_status::kInProgress;
    character.started = it->second;
    events_->RequestStart(it->second);
  });
  on("RequestComplete", [this](const QVariantList& a) {
    auto it = local_.find(a.value(0).toUInt());
    if (it == local_.end()) return;
    const RequestId request = it->second;
    status_[request] = static_cast<int>(a.value(1).toUInt());
    local_.erase(it);
    events_->RequestComplete(request, status_[request]);
    auto markers = after_.extract(request);
    if (!markers.empty()) {
      for (RequestId marker : markers.mapped()) CompleteMarker(marker);
    }
  });
  // Only the Speak in progress sends bookmarks.
  on("Bookmark", [this, id, &character](const QVariantList& a) {
    events_->Bookmark(static_cast<int32_t>(a.value(0).toUInt()), id, character.started);
  });
  on("Command", [this, id](const QVariantList& a) {
    UserInput input;
    input.character_id = id;
    input.name = a.value(0).toString().toStdString();
    input.confidence = a.value(1).toInt();
    events_->Command(input);
  });
  on("Shown", [this, id](const QVariantList& a) {
    events_->Show(id, static_cast<int>(a.value(0).toUInt()));
  });
  on("Hidden", [this, id](const QVariantList& a) {
    events_->Hide(id, static_cast<int>(a.value(0).toUInt()));
  });
  on("IdleStart", [this, id](const QVariantList&) { events_->IdleStart(id); });
  on("IdleComplete", [this, id](const QVariantList&) { events_->IdleComplete(id); });
  on("Click", [this, id](const QVariantList& a) {
    events_->Click(id, static_cast<int>(a.value(0).toUInt()), 0, a.value(1).toInt(),
                   a.value(2).toInt());
  });
  on("DblClick", [this, id](const QVariantList& a) {
    events_->DblClick(id, static_cast<int>(a.value(0).toUInt()), 0, a.value(1).toInt(),
                      a.value(2).toInt());
  });
  on("DragComplete", [this, id](const QVariantList& a) {
    events_->DragComplete(id, 1, 0, a.value(0).toInt(), a.value(1).toInt());
  });
  on("ListenStart", [this, id](const QVariantList&) { events_->ListenStart(id); });
  on("ListenComplete", [this, id](const QVariantList& a) {
    events_->ListenComplete(id, static_cast<int>(a.value(0).toUInt()));
  });
}

bool BusCharacterService::IsLoaded(const std::string& character_id) const {
  return characters_.count(UCase(character_id)) != 0;
}

void BusCharacterService::Unload(const std::string& character_id) {
  Find(character_id);  // throws when it is not loaded
  auto it = characters_.find(UCase(character_id));
  Call(kServicePath, kManagerInterface, "Unload",
       {QVariant::fromValue(QDBusObjectPath(it->second.path))});
  characters_.erase(it);
}

QVariant BusCharacterService::Property(const std::string& id, const char* name) const {
  const QDBusMessage reply = Call(Find(id).path, "org.freedesktop.DBus.Properties", "Get",
                                  {QString(kCharacterInterface), QString(name)});
  return reply.arguments().value(0).value<QDBusVariant>().variant();
}

std::string BusCharacterService::Name(const std::string& id) const {
  return Property(id, "Name").toString().toStdString();
}
bool BusCharacterService::Visible(const std::string& id) const {
  return Property(id, "Visible").toBool();
}
bool BusCharacterService::HasOtherClients(const std::string& id) const {
  return Property(id, "HasOtherClients").toBool();
}
int32_t BusCharacterService::Left(const std::string& id) const {
  return Property(id, "Left").toInt();
}
int32_t BusCharacterService::Top(const std::string& id) const {
  return Property(id, "Top").toInt();
}
int32_t BusCharacterService::Width(const std::string& id) const {
  return Property(id, "Width").toInt();
}
int32_t BusCharacterService::Height(const std::string& id) const {
  return Property(id, "Height").toInt();
}
std::vector<std::string> BusCharacterService::AnimationNames(const std::string& id) const {
  std::vector<std::string> names;
  for (const QString& name : Property(id, "Animations").toStringList()) {
    names.push_back(name.toStdString());
  }
  return names;
}
bool BusCharacterService::IdleOn(const std::string& id) const {
  return Property(id, "IdleOn").toBool();
}
void BusCharacterService::SetProperty(const std::string& id, const char* name,
                                      const QVariant& value) {
  Call(Find(id).path, "org.freedesktop.DBus.Properties", "Set",
       {QString(kCharacterInterface), QString(name), QVariant::fromValue(QDBusVariant(value))});
}
void BusCharacterService::SetIdleOn(const std::string& id, bool on) {
  SetProperty(id, "IdleOn", on);
}
bool BusCharacterService::SoundEffectsOn(const std::string& id) const {
  return Property(id, "SoundEffectsOn").toBool();
}
void BusCharacterService::SetSoundEffectsOn(const std::string& id, bool on) {
  SetProperty(id, "SoundEffectsOn", on);
}
void BusCharacterService::SetWidth(const std::string& id, int16_t width) {
  SetProperty(id, "Width", int{width});
}
void BusCharacterService::SetHeight(const std::string& id, int16_t height) {
  SetProperty(id, "Height", int{height});
}
void BusCharacterService::SetLanguageID(const std::string& id, int32_t language_id) {
  SetProperty(id, "LanguageID", int{language_id});
}
void BusCharacterService::SetTTSModeID(const std::string& id, const std::string& mode_id) {
  SetProperty(id, "TTSModeID", QString::fromStdString(mode_id));
}
void BusCharacterService::SetBalloonFontName(const std::string& id, const std::string& font_name) {
  SetProperty(id, "BalloonFontName", QString::fromStdString(font_name));
}
void BusCharacterService::SetBalloonFontSize(const std::string& id, int32_t font_size) {
  SetProperty(id, "BalloonFontSize", int{font_size});
}
void BusCharacterService::SetBalloonStyle(const std::string& id, int32_t style) {
  SetProperty(id, "BalloonStyle", int{style});
}
void BusCharacterService::SetCommandsCaption(const std::string& id, const std::string& caption) {
  SetProperty(id, "CommandsCaption", QString::fromStdString(caption));
}
void BusCharacterService::SetCommandsVoice(const std::string& id, const std::string& voice) {
  SetProperty(id, "CommandsVoice", QString::fromStdString(voice));
}
bool BusCharacterService::Listen(const std::string& id, bool listen) {
  return Call(Find(id).path, kCharacterInterface, "Listen", {listen}).arguments().value(0).toBool();
}

RequestId BusCharacterService::Queue(const std::string& id, const char* method,
                                     const QVariantList& args) {
  const QDBusMessage reply = Call(Find(id).path, kCharacterInterface, method, args);
  const uint number = reply.arguments().value(0).toUInt();
  const RequestId request = static_cast<RequestId>(status_.size() + 1);
  local_[number] = request;
  remote_[request] = number;
  status_[request] = request_status::kPending;
  characters_.at(UCase(id)).last = request;
  return request;
}

RequestId BusCharacterService::Show(const std::string& id, std::optional<bool> fast) {
  return Queue(id, "Show", {fast.value_or(false)});
}
RequestId BusCharacterService::Hide(const std::string& id, std::optional<bool> fast) {
  return Queue(id, "Hide", {fast.value_or(false)});
}
RequestId BusCharacterService::Speak(const std::string& id, const std::string& text,
                                     const std::string& /*url*/) {
  return Queue(id, "Speak", {QString::fromStdString(text)});
}
RequestId BusCharacterService::Think(const std::string& id, const std::string& text) {
  return Queue(id, "Think", {QString::fromStdString(text)});
}
RequestId BusCharacterService::Play(const std::string& id, const std::string& animation) {
  return Queue(id, "Play", {QString::fromStdString(animation)});
}
RequestId BusCharacterService::MoveTo(const std::string& id, int16_t x, int16_t y,
                                      std::optional<int32_t> speed) {
  return Queue(id, "MoveTo", {int{x}, int{y}, speed.value_or(-1)});
}
RequestId BusCharacterService::GestureAt(const std::string& id, int16_t x, int16_t y) {
  return Queue(id, "GestureAt", {int{x}, int{y}});
}
RequestId BusCharacterService::Get(const std::string& id, const std::string& /*type*/,
                                   const std::string& /*name*/, bool /*queue*/) {
  // Everything of a local file is there already: a marker that completes
  // when all queued before it is done.
  const Character& character = Find(id);
  const RequestId marker = static_cast<RequestId>(status_.size() + 1);
  status_[marker] = request_status::kPending;
  const RequestId before = character.last;
  if (before != 0 && (status_[before] == request_status::kPending ||
                      status_[before] == request_status::kInProgress)) {
    after_[before].push_back(marker);
  } else {
    QTimer::singleShot(0, [this, marker] { CompleteMarker(marker); });
  }
  return marker;
}

void BusCharacterService::CompleteMarker(RequestId marker) {
  status_[marker] = request_status::kComplete;
  if (events_ == nullptr) return;
  events_->RequestStart(marker);
  events_->RequestComplete(marker, request_status::kComplete);
}
RequestId BusCharacterService::Wait(const std::string& id, RequestId other) {
  auto it = remote_.find(other);
  if (it == remote_.end()) {
    throw VbError(service_error::kRequestNotFound, "The request does not exist");
  }
  return Queue(id, "Wait", {it->second});
}

void BusCharacterService::Stop(const std::string& id, std::optional<RequestId> request) {
  if (!request) {
    StopAll(id, std::nullopt);
    return;
  }
  auto it = remote_.find(*request);
  if (it == remote_.end()) {
    throw VbError(service_error::kRequestNotFound, "The request does not exist");
  }
  Call(Find(id).path, kCharacterInterface, "Stop", {it->second});
}

void BusCharacterService::StopAll(const std::string& id, std::optional<std::string> /*types*/) {
  Call(Find(id).path, kCharacterInterface, "StopAll", {});
}

void BusCharacterService::CommandsRemoveAll(const std::string& id) {
  Find(id);
  Character& character = characters_.at(UCase(id));
  for (const auto& [name, caption] : character.commands) {
    Call(character.path, kCharacterInterface, "RemoveCommand", {QString::fromStdString(name)});
  }
  character.commands.clear();
}

void BusCharacterService::CommandsAdd(const std::string& id, const std::string& name,
                                      const std::string& caption, const std::string& voice) {
  Find(id);
  Character& character = characters_.at(UCase(id));
  Call(character.path, kCharacterInterface, "AddCommand",
       {QString::fromStdString(name), QString::fromStdString(caption),
        QString::fromStdString(voice)});
  character.commands.emplace_back(name, caption);
}

std::string BusCharacterService::CommandCaption(const std::string& id,
                                                const std::string& name) const {
  for (const auto& [command, caption] : Find(id).commands) {
    if (EqualsNoCase(command, name)) return caption;
  }
  throw VbError(vberr::kInvalidCall, "There is no command \"" + name + "\"");
}

int32_t BusCharacterService::CommandsCount(const std::string& id) const {
  return static_cast<int32_t>(Find(id).commands.size());
}

int BusCharacterService::RequestStatus(RequestId request) const {
  auto it = status_.find(request);
  if (it == status_.end()) {
    throw VbError(service_error::kRequestNotFound, "The request does not exist");
  }
  return it->second;
}

}  // namespace zarn
