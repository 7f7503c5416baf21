// A notification service of the tests' own, on a session bus of their own,
// so that no desktop's service is reached.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace dw::test {

// Starts a private session bus and points this process at it; call before
// anything reaches the session bus.
class PrivateBus {
 public:
  PrivateBus() {
    bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (bus_.waitForReadyRead(10000)) address_ = bus_.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_);
  }
  ~PrivateBus() {
    bus_.terminate();
    bus_.waitForFinished(5000);
  }
  const QByteArray& Address() const { return address_; }

 private:
  QProcess bus_;
  QByteArray address_;
};

// Keeps what it is shown and answers with ids from 41 on.
class RecordingNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  std::vector<QStringList> shown;  // app, summary, body, actions (joined)

  // Serves on `bus` under the service's well-known name.
  bool Serve(const PrivateBus& bus) {
    service_ = QDBusConnection::connectToBus(QString(bus.Address()),
                                             "notification-service");
    return service_.registerObject("/org/freedesktop/Notifications", this,
                                   QDBusConnection::ExportAllSlots) &&
           service_.registerService("org.freedesktop.Notifications");
  }
  // As if the user chose `action` on the notification of that id.
  void Choose(uint id, const QString& action) {
    QDBusMessage chosen = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
        "ActionInvoked");
    chosen << id << action;
    service_.send(chosen);
  }

 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary,
              const QString& body, const QStringList& actions,
              const QVariantMap&, int) {
    shown.push_back({app, summary, body, actions.join(",")});
    return 40 + static_cast<uint>(shown.size());
  }

 private:
  QDBusConnection service_{QString()};
};

}  // namespace dw::test
