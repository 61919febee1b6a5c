#include "platform/service/BusSignal.h"

namespace zarn {

BusSignal::BusSignal(QDBusConnection bus, const QString& service, const QString& path,
                     const QString& interface, const QString& name, Handler handler)
    : bus_(std::move(bus)),
      service_(service),
      path_(path),
      interface_(interface),
      name_(name),
      handler_(std::move(handler)) {
  connected_ = bus_.connect(service_, path_, interface_, name_, this, SLOT(Deliver(QDBusMessage)));
}

BusSignal::~BusSignal() {
  if (connected_)
    bus_.disconnect(service_, path_, interface_, name_, this, SLOT(Deliver(QDBusMessage)));
}

void BusSignal::Deliver(const QDBusMessage& message) { handler_(message); }

}  // namespace zarn
