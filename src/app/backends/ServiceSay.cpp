#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QTimer>
#include <iostream>

#include "app/backends/ServiceRun.h"
#include "platform/service/BusSignal.h"
#include "platform/service/CharacterBus.h"

namespace zarn {

// The character --say uses without --character: the demo character.
constexpr const char* kSayCharacter = "Fennet.acs";

int RunSay(const Options& options) {
  int argc = 1;
  char name[] = "zarnplay";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  auto fail = [](const QString& what) {
    std::cerr << "zarnplay: --say: " << what.toStdString() << "\n";
    return 1;
  };
  if (options.command_line.empty()) return fail("nothing to say");
  if (!bus.isConnected()) return fail("no session bus");
  QDBusInterface manager(kServiceName, kServicePath, kManagerInterface, bus);
  const QString wanted = QString::fromStdString(options.say_character.value_or(kSayCharacter));
  QDBusReply<QDBusObjectPath> loaded = manager.call("Load", wanted);
  if (!loaded.isValid()) return fail(loaded.error().message());
  const QString path = loaded.value().path();
  QDBusInterface character(kServiceName, path, kCharacterInterface, bus);
  uint last = 0;
  bool done = false;
  // Signals come to us alone, from the service's unique name.
  BusSignal complete(bus, QString(), path, kCharacterInterface, "RequestComplete",
                     [&](const QDBusMessage& signal) {
                       if (signal.arguments().value(0).toUInt() == last) done = true;
                     });
  for (const auto& [method, arg] : {std::pair<QString, QVariant>{"Show", false},
                                    {"Speak", QString::fromStdString(options.command_line)},
                                    {"Hide", false}}) {
    QDBusReply<uint> reply = character.call(method, arg);
    if (!reply.isValid()) return fail(reply.error().message());
    last = reply.value();
  }
  // A service that goes away ends the wait too.
  QDBusServiceWatcher gone(kServiceName, bus, QDBusServiceWatcher::WatchForUnregistration);
  QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, [&done] { done = true; });
  while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  manager.call("Unload", QVariant::fromValue(QDBusObjectPath(path)));
  return 0;
}

}  // namespace zarn
