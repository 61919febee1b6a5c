// Properties and introspection of the service's objects.
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <cstdint>

#include "platform/service/BusErrors.h"
#include "platform/service/CharacterBus.h"
#include "platform/service/ServiceInterfaces.h"  // generated from data/dbus

namespace zarn {

QVariantMap CharacterBus::ManagerProperties() const {
  QList<QDBusObjectPath> objects;
  for (const std::string& path : book_.LoadedObjects()) {
    objects.push_back(QDBusObjectPath(QString::fromStdString(path)));
  }
  return {{"Characters", QVariant::fromValue(objects)}};
}

QVariantMap CharacterBus::AllProperties(Character& character, const std::string& client) const {
  const std::string& id = character.engine_id;
  const ServiceBook::ClientCommands& own = character.commands[client];
  QStringList animations;
  for (const std::string& name : characters_.AnimationNames(id)) {
    animations.push_back(QString::fromStdString(name));
  }
  return {{"Name", QString::fromStdString(characters_.Name(id))},
          {"Visible", characters_.Visible(id)},
          {"Left", characters_.Left(id)},
          {"Top", characters_.Top(id)},
          {"Width", characters_.Width(id)},
          {"Height", characters_.Height(id)},
          {"Animations", animations},
          {"IdleOn", characters_.IdleOn(id)},
          {"SoundEffectsOn", characters_.SoundEffectsOn(id)},
          {"HasOtherClients", character.clients.size() > 1},
          {"CommandsCaption", QString::fromStdString(own.caption)},
          {"CommandsVoice", QString::fromStdString(own.voice)}};
}

// Each client's Commands caption and voice are its own; the rest are the
// character's.
void CharacterBus::SetProperty(Character& character, const std::string& client, const QString& name,
                               const QVariant& value) {
  const std::string& id = character.engine_id;
  auto want = [&](QMetaType::Type type) {
    if (value.typeId() != type) {
      throw BusError(kInvalidArgs, name.toStdString() + " takes a " + QMetaType(type).name());
    }
  };
  if (name == "IdleOn" || name == "SoundEffectsOn") {
    want(QMetaType::Bool);
    if (name == "IdleOn") {
      characters_.SetIdleOn(id, value.toBool());
    } else {
      characters_.SetSoundEffectsOn(id, value.toBool());
    }
  } else if (name == "Width" || name == "Height" || name == "LanguageID" ||
             name == "BalloonFontSize" || name == "BalloonStyle") {
    want(QMetaType::Int);
    const int number = value.toInt();
    if (name == "Width" || name == "Height") {
      if (number <= 0 || number > INT16_MAX) {
        throw BusError(kInvalidArgs, name.toStdString() + " is 1 to 32767");
      }
      if (name == "Width") {
        characters_.SetWidth(id, static_cast<int16_t>(number));
      } else {
        characters_.SetHeight(id, static_cast<int16_t>(number));
      }
    } else if (name == "LanguageID") {
      characters_.SetLanguageID(id, number);
    } else if (name == "BalloonFontSize") {
      characters_.SetBalloonFontSize(id, number);
    } else {
      characters_.SetBalloonStyle(id, number);
    }
  } else if (name == "TTSModeID" || name == "BalloonFontName") {
    want(QMetaType::QString);
    if (name == "TTSModeID") {
      characters_.SetTTSModeID(id, value.toString().toStdString());
    } else {
      characters_.SetBalloonFontName(id, value.toString().toStdString());
    }
  } else if (name == "CommandsCaption" || name == "CommandsVoice") {
    want(QMetaType::QString);
    ServiceBook::ClientCommands& own = character.commands[client];
    (name == "CommandsCaption" ? own.caption : own.voice) = value.toString().toStdString();
    SyncCommands(character);
    return;  // nobody else's to hear of
  } else {
    throw BusError(kAccessDenied, "Property " + name.toStdString() + " is read-only");
  }
  PropertiesChanged(character.object_path, {{name, value}});
}

QDBusMessage CharacterBus::Properties(const QDBusMessage& call) {
  const std::string path = call.path().toStdString();
  const bool manager = path == kServicePath;
  Character* character = manager ? nullptr : book_.ByObject(path);
  if (!manager) {
    if (character == nullptr) throw BusError(kNotLoaded, "The character is not loaded");
    if (!character->clients.count(call.service().toStdString())) {
      throw BusError(kAccessDenied, "This client did not load the character");
    }
  }
  const QString interface = manager ? kManagerInterface : kCharacterInterface;
  const QString method = call.member();
  const QString signature = call.signature();
  const QVariantList args = call.arguments();
  if (!args.isEmpty() && args[0].toString() != interface && !args[0].toString().isEmpty()) {
    throw BusError(kInvalidArgs, "No interface " + args[0].toString().toStdString());
  }
  const std::string client = call.service().toStdString();
  const QVariantMap all = manager ? ManagerProperties() : AllProperties(*character, client);
  if (method == "GetAll" && signature == "s") return call.createReply(QVariant(all));
  if (method == "Get" && signature == "ss") {
    auto it = all.find(args[1].toString());
    if (it == all.end()) {
      throw BusError(kInvalidArgs, "No property " + args[1].toString().toStdString());
    }
    return call.createReply(QVariant::fromValue(QDBusVariant(*it)));
  }
  if (method == "Set" && signature == "ssv") {
    const QString name = args[1].toString();
    if (manager) throw BusError(kAccessDenied, "Property " + name.toStdString() + " is read-only");
    SetProperty(*character, client, name, args[2].value<QDBusVariant>().variant());
    return call.createReply();
  }
  throw BusError(kInvalidArgs,
                 "Wrong call " + method.toStdString() + " (" + signature.toStdString() + ")");
}

QString CharacterBus::introspect(const QString& path) const {
  if (path == kServicePath) {
    QString xml = kManagerInterfaceXml;
    for (const std::string& object : book_.LoadedObjects()) {
      xml +=
          "<node name=\"" + QString::fromStdString(object.substr(object.rfind('/') + 1)) + "\"/>";
    }
    return xml;
  }
  return kCharacterInterfaceXml;
}

}  // namespace zarn
