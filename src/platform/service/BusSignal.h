#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <functional>

namespace zarn {

// Hands every matching signal on the bus to a function (QtDBus delivers
// signals only to a slot).
class BusSignal : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<void(const QDBusMessage&)>;
  // Empty service: from any sender.
  BusSignal(QDBusConnection bus, const QString& service, const QString& path,
            const QString& interface, const QString& name, Handler handler);
  ~BusSignal() override;
  bool Connected() const { return connected_; }

 public slots:
  void Deliver(const QDBusMessage& message);

 private:
  QDBusConnection bus_;
  QString service_, path_, interface_, name_;
  Handler handler_;
  bool connected_ = false;
};

}  // namespace zarn
