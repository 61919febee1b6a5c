#include <QDBusConnection>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/backends/ServiceRun.h"
#include "platform/service/BusCharacterService.h"

namespace zarn {

std::function<std::unique_ptr<CharacterServicePort>(CharacterServicePort&)> ServiceClient(
    const Options& options) {
  if (options.no_service) return {};
  // Without a session bus to look at, asking for one would start one
  // (autolaunch) for every desktop run.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if ((address == nullptr || *address == '\0') &&
      (runtime == nullptr || !std::filesystem::exists(std::string(runtime) + "/bus"))) {
    if (options.service_client) std::cerr << "zarnplay: no session bus; playing alone\n";
    return {};
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!BusCharacterService::Running(bus)) {
    if (options.service_client) {
      std::cerr << "zarnplay: no character service on the session bus; playing alone\n";
    }
    return {};
  }
  return [bus](CharacterServicePort&) -> std::unique_ptr<CharacterServicePort> {
    return std::make_unique<BusCharacterService>(bus);
  };
}

}  // namespace zarn
