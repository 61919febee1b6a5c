#include "platform/service/CharacterBus.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <climits>
#include <filesystem>
#include <map>

#include "base/VbError.h"
#include "charengine/CharacterLookup.h"
#include "platform/service/BusErrors.h"

namespace zarn {
namespace {

std::string Str(const QVariant& value) { return value.toString().toStdString(); }

int16_t Coordinate(const QVariant& value) {
  const int v = value.toInt();
  if (v < SHRT_MIN || v > SHRT_MAX) throw BusError(kInvalidArgs, "A coordinate is out of range");
  return static_cast<int16_t>(v);
}

// The argument types each character method takes.
const std::map<QString, QString>& CharacterSignatures() {
  static const std::map<QString, QString> signatures = {
      {"Show", "b"},          {"Hide", "b"},     {"Play", "s"},       {"Speak", "s"},
      {"Think", "s"},         {"MoveTo", "iii"}, {"GestureAt", "ii"}, {"Wait", "u"},
      {"Interrupt", "u"},     {"Stop", "u"},     {"StopAll", ""},     {"AddCommand", "sss"},
      {"RemoveCommand", "s"}, {"Listen", "b"}};
  return signatures;
}

// A request number from a client: one the engine can have made.
RequestId RequestArg(const QVariant& value) {
  const uint number = value.toUInt();
  if (number == 0 || number > static_cast<uint>(INT32_MAX)) {
    throw BusError(kNoSuchRequest, "There is no request " + std::to_string(number));
  }
  return static_cast<RequestId>(number);
}

}  // namespace

CharacterBus::CharacterBus(CharacterServicePort& characters, std::vector<std::string> folders,
                           QDBusConnection bus)
    : characters_(characters),
      folders_(std::move(folders)),
      bus_(std::move(bus)),
      watcher_(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration) {
  characters_.SetEvents(this);
  QObject::connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered,
                   [this](const QString& client) { ClientGone(client); });
  linger_.setSingleShot(true);
  QObject::connect(&linger_, &QTimer::timeout, [this] {
    if (book_.Idle() && quit_) quit_();
  });
}

CharacterBus::~CharacterBus() {
  characters_.SetEvents(nullptr);
  bus_.unregisterObject(kServicePath);
}

bool CharacterBus::Start() {
  if (!bus_.registerVirtualObject(kServicePath, this, QDBusConnection::SubPath)) return false;
  const auto reply =
      bus_.interface()->registerService(kServiceName, QDBusConnectionInterface::DontQueueService,
                                        QDBusConnectionInterface::DontAllowReplacement);
  return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

void CharacterBus::QuitWhenUnused(int linger_ms, std::function<void()> quit) {
  quit_ = std::move(quit);
  linger_.setInterval(linger_ms);
  CheckUnused();
}

void CharacterBus::CheckUnused() {
  if (!book_.Idle()) {
    linger_.stop();
  } else if (quit_ && !linger_.isActive()) {
    linger_.start();
  }
}

bool CharacterBus::handleMessage(const QDBusMessage& message, const QDBusConnection& /*bus*/) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  const QString& interface = message.interface();
  if (!interface.isEmpty() && interface != kManagerInterface && interface != kCharacterInterface &&
      interface != "org.freedesktop.DBus.Properties") {
    return false;  // introspection and the like: Qt answers
  }
  const std::string client = message.service().toStdString();
  auto& waiting = inbox_[client];
  // Waiting calls count as pending: a flood is refused as it arrives.
  if (waiting.size() >= kMaxPendingPerClient || !book_.CanQueue(client, waiting.size())) {
    bus_.send(message.createErrorReply(
        kTooManyRequests, QString("More than %1 requests are pending").arg(kMaxPendingPerClient)));
    return true;
  }
  if (waiting.empty()) turns_.push_back(client);
  waiting.push_back(message);
  if (!drain_posted_) {
    drain_posted_ = true;
    QTimer::singleShot(0, this, [this] { Drain(); });
  }
  return true;
}

void CharacterBus::Drain() {
  drain_posted_ = false;
  // A batch at a time: calls that arrive meanwhile join the turns.
  for (int handled = 0; handled < 64 && !turns_.empty(); ++handled) {
    const std::string client = turns_.front();
    turns_.pop_front();
    auto it = inbox_.find(client);
    if (it == inbox_.end() || it->second.empty()) continue;
    const QDBusMessage message = it->second.front();
    it->second.pop_front();
    if (it->second.empty()) {
      inbox_.erase(it);
    } else {
      turns_.push_back(client);
    }
    Handle(message);
  }
  if (!turns_.empty() && !drain_posted_) {
    drain_posted_ = true;
    QTimer::singleShot(0, this, [this] { Drain(); });
  }
}

std::string CharacterBus::ClientOf(const TraceRecord& record) const {
  if (!calling_.empty()) return calling_;
  if (!record.req) return "";
  const ServiceBook::Request* booked = book_.FindRequest(static_cast<RequestId>(*record.req));
  return booked == nullptr ? "" : booked->client;
}

void CharacterBus::Handle(const QDBusMessage& message) {
  calling_ = message.service().toStdString();
  QDBusMessage reply;
  try {
    try {
      const QString path = message.path();
      if (message.interface() == "org.freedesktop.DBus.Properties") {
        reply = Properties(message);
      } else if (path == kServicePath) {
        reply = Manager(message);
      } else {
        Character* character = book_.ByObject(path.toStdString());
        if (character == nullptr) throw BusError(kNotLoaded, "The character is not loaded");
        if (!character->clients.count(message.service().toStdString())) {
          throw BusError(kAccessDenied, "This client did not load the character");
        }
        reply = OnCharacter(message, *character);
      }
    } catch (const VbError& e) {
      throw BusError(BusErrorName(e.Number()), e.Description());
    }
  } catch (const BusError& e) {
    reply = message.createErrorReply(QString::fromStdString(e.Name()), QString(e.what()));
  } catch (const std::exception& e) {
    // Whatever else a call runs into, the service goes on.
    reply = message.createErrorReply("org.zarnplay.Error.Failed", QString(e.what()));
  }
  calling_.clear();
  bus_.send(reply);
}

QDBusMessage CharacterBus::Manager(const QDBusMessage& call) {
  const std::string client = call.service().toStdString();
  const QString method = call.member();
  const QString signature = call.signature();
  if (method == "GetServerInformation" && signature.isEmpty()) {
    return call.createReply(QVariantList{QString("ZARNPlay"), QString("%1.%2.%3")
                                                                  .arg(ZARN_VERSION_MAJOR)
                                                                  .arg(ZARN_VERSION_MINOR)
                                                                  .arg(ZARN_VERSION_REVISION)});
  }
  if (method == "Load" && signature == "s") return Load(call, client);
  if (method == "Unload" && signature == "o") {
    const std::string path = call.arguments()[0].value<QDBusObjectPath>().path().toStdString();
    Character* character = book_.ByObject(path);
    if (character == nullptr) throw BusError(kNotLoaded, "The character is not loaded");
    if (!character->clients.count(client)) {
      throw BusError(kAccessDenied, "This client did not load the character");
    }
    Leave(*character, client);
    return call.createReply();  // `character` may be gone
  }
  if (method == "Load" || method == "Unload" || method == "GetServerInformation") {
    throw BusError(kInvalidArgs, "Wrong arguments for " + method.toStdString());
  }
  return call.createErrorReply(QDBusError::UnknownMethod,
                               "No method " + method + " on " + kManagerInterface);
}

QDBusMessage CharacterBus::Load(const QDBusMessage& call, const std::string& client) {
  const std::string wanted = Str(call.arguments()[0]);
  if (wanted.empty()) throw BusError(kInvalidArgs, "Load needs a character file or name");
  auto found = FindCharacterFile(wanted, folders_);
  // A bare name is the character file of that name.
  if (!found && std::filesystem::path(wanted).extension().empty()) {
    found = FindCharacterFile(wanted + ".acs", folders_);
  }
  if (!found) throw VbError(vberr::kFileNotFound, "Character file not found: " + wanted);
  std::error_code error;
  const std::string path = std::filesystem::weakly_canonical(*found, error).string();
  Character& character = book_.ForPath(error ? *found : path, client);
  if (character.engine_id.empty()) {
    // The file's name, made unique: what the trace calls it.
    const std::string stem = std::filesystem::path(character.path).stem().string();
    // An id once used for another file stays its own: a desktop keeps
    // the pictures it drew under it.
    std::string id = stem;
    auto taken = [&](const std::string& name) {
      auto used = id_paths_.find(name);
      return characters_.IsLoaded(name) ||
             (used != id_paths_.end() && used->second != character.path);
    };
    for (int n = 2; taken(id); ++n) id = stem + "-" + std::to_string(n);
    id_paths_[id] = character.path;
    characters_.Load(id, character.path);
    character.engine_id = id;
  }
  if (!character.clients.count(client)) {
    const bool first = character.clients.empty();
    book_.AddClient(character, client);
    watcher_.addWatchedService(QString::fromStdString(client));
    UsersChanged(character);
    if (first) PropertiesChanged(kServicePath, ManagerProperties());
  }
  return call.createReply(
      QVariant::fromValue(QDBusObjectPath(QString::fromStdString(character.object_path))));
}

QDBusMessage CharacterBus::OnCharacter(const QDBusMessage& call, Character& character) {
  const std::string client = call.service().toStdString();
  const std::string& id = character.engine_id;
  const QString method = call.member();
  auto known = CharacterSignatures().find(method);
  if (known == CharacterSignatures().end()) {
    return call.createErrorReply(QDBusError::UnknownMethod,
                                 "No method " + method + " on " + kCharacterInterface);
  }
  if (call.signature() != known->second) {
    throw BusError(kInvalidArgs,
                   method.toStdString() + " takes (" + known->second.toStdString() + ")");
  }
  const QVariantList args = call.arguments();
  if (method == "Stop") {
    const RequestId request = RequestArg(args[0]);
    const ServiceBook::Request* booked = book_.FindRequest(request);
    if (booked == nullptr || booked->client != client || booked->engine_id != id) {
      throw BusError(kNoSuchRequest, "This client has no such request on this character");
    }
    characters_.Stop(id, request);
    return call.createReply();
  }
  if (method == "Listen") {
    // Only the client the character listens for may turn listening on.
    if (args[0].toBool() && character.input_active != client) return call.createReply(false);
    return call.createReply(characters_.Listen(id, args[0].toBool()));
  }
  if (method == "StopAll") {
    StopRequests(character, client);
    return call.createReply();
  }
  if (method == "AddCommand" || method == "RemoveCommand") {
    auto& commands = character.commands[client].list;
    const std::string name = Str(args[0]);
    if (name.empty()) throw BusError(kInvalidArgs, "A command needs a name");
    std::erase_if(commands, [&name](const CharacterCommand& c) { return c.name == name; });
    if (method == "AddCommand") commands.push_back({name, Str(args[1]), Str(args[2])});
    if (character.input_active == client) SyncCommands(character);
    return call.createReply();
  }
  return call.createReply(QVariant::fromValue(static_cast<uint>(Queue(call, character))));
}

RequestId CharacterBus::Queue(const QDBusMessage& call, Character& character) {
  const std::string client = call.service().toStdString();
  if (!book_.CanQueue(client, 0)) {
    throw BusError(kTooManyRequests,
                   "More than " + std::to_string(kMaxPendingPerClient) + " requests are pending");
  }
  const std::string& id = character.engine_id;
  const QString method = call.member();
  const QVariantList args = call.arguments();
  ServiceBook::Request booked{client, id};
  RequestId request = 0;
  if (method == "Show") {
    MakeInputActive(character, client);
    request = characters_.Show(id, args[0].toBool());
  } else if (method == "Hide") {
    request = characters_.Hide(id, args[0].toBool());
  } else if (method == "Play") {
    request = characters_.Play(id, Str(args[0]));
  } else if (method == "Speak") {
    request = characters_.Speak(id, Str(args[0]), "");
  } else if (method == "Think") {
    request = characters_.Think(id, Str(args[0]));
  } else if (method == "MoveTo") {
    const int speed = args[2].toInt();
    if (speed < -1) throw BusError(kInvalidArgs, "MoveTo's speed is -1 or milliseconds");
    request = characters_.MoveTo(id, Coordinate(args[0]), Coordinate(args[1]),
                                 speed < 0 ? std::nullopt : std::optional<int32_t>(speed));
  } else if (method == "GestureAt") {
    request = characters_.GestureAt(id, Coordinate(args[0]), Coordinate(args[1]));
  } else if (method == "Wait") {
    request = characters_.Wait(id, RequestArg(args[0]));
  } else if (method == "Interrupt") {
    // A marker in this queue; reaching it stops the other request.
    const RequestId other = RequestArg(args[0]);
    const ServiceBook::Request* target = book_.FindRequest(other);
    // Another client's requests are not this one's to stop.
    if (target == nullptr || target->client != client) {
      throw BusError(kNoSuchRequest, "This client has no such request pending");
    }
    if (target->engine_id == id) {
      throw BusError(kInvalidArgs, "A character cannot interrupt its own request");
    }
    booked.interrupts = other;
    request = characters_.Get(id, "Animation", "", true);
  }
  book_.AddRequest(request, std::move(booked));
  return request;
}

void CharacterBus::StopRequests(Character& character, const std::string& client) {
  if (character.clients.size() == 1) {
    // Everything queued is this client's.
    characters_.StopAll(character.engine_id, std::nullopt);
    return;
  }
  const auto requests = book_.RequestsOf(client, character.engine_id);
  for (auto it = requests.rbegin(); it != requests.rend(); ++it) {
    try {
      characters_.Stop(character.engine_id, *it);
    } catch (const VbError&) {
      // Already finished: nothing to stop.
    }
  }
}

void CharacterBus::Leave(Character& character, const std::string& client) {
  StopRequests(character, client);
  auto own = character.commands.find(client);
  const bool in_menu = character.input_active == client ||
                       (own != character.commands.end() && !own->second.caption.empty());
  if (book_.RemoveClient(character, client)) {
    // Nobody uses it: unloaded, and its object leaves the bus.
    characters_.Unload(character.engine_id);
    book_.Forget(character);
    PropertiesChanged(kServicePath, ManagerProperties());
    CheckUnused();
    return;
  }
  if (in_menu) SyncCommands(character);
  UsersChanged(character);
}

void CharacterBus::ClientGone(const QString& client) {
  const std::string name = client.toStdString();
  inbox_.erase(name);  // nobody to answer
  for (Character* character : book_.CharactersOf(name)) Leave(*character, name);
  watcher_.removeWatchedService(client);
}

void CharacterBus::MakeInputActive(Character& character, const std::string& client) {
  if (character.input_active == client) return;
  character.input_active = client;
  SyncCommands(character);
}

// The engine's one Commands collection is the input-active client's; the
// others are listed by caption to switch to.
void CharacterBus::SyncCommands(Character& character) {
  const std::string& id = character.engine_id;
  const ServiceBook::ClientCommands& active = character.commands[character.input_active];
  characters_.CommandsRemoveAll(id);
  for (const CharacterCommand& command : active.list) {
    characters_.CommandsAdd(id, command.name, command.caption, command.voice);
  }
  if (character.caption_set != active.caption) {
    characters_.SetCommandsCaption(id, active.caption);
    character.caption_set = active.caption;
  }
  if (character.voice_set != active.voice) {
    characters_.SetCommandsVoice(id, active.voice);
    character.voice_set = active.voice;
  }
  character.others.clear();
  std::vector<std::string> captions;
  for (const std::string& client : character.clients) {
    auto it = character.commands.find(client);
    if (client == character.input_active || it == character.commands.end() ||
        it->second.caption.empty()) {
      continue;
    }
    character.others.push_back(client);
    captions.push_back(it->second.caption);
  }
  characters_.SetOtherClients(id, captions);
}

}  // namespace zarn
