#include <QDBusConnection>
#include <iostream>

#include "app/ServiceRun.h"
#include "platform/service/BusCharacterService.h"

namespace zarn {

std::function<std::unique_ptr<CharacterServicePort>(CharacterServicePort&)> ServiceClient(
    const Options& options) {
  if (options.no_service) return {};
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
