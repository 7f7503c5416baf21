#include "app/desktop/desktop_notice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace dw {
namespace {

const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";
const char kInterface[] = "org.freedesktop.Notifications";
constexpr int kShownMs = 15000;  // as long as the reminder window counts

}  // namespace

DesktopNotice::DesktopNotice(QObject* parent) : QObject(parent) {}

void DesktopNotice::Show(const QString& summary, const QString& body,
                         const QString& action, const QString& action_text) {
  // The bus is reached at the first notification: a program that never
  // notifies never connects.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  if (!listening_) {
    listening_ = bus.connect(kService, kPath, kInterface, "ActionInvoked", this,
                             SLOT(OnActionInvoked(uint, QString)));
  }
  QStringList actions{"default", QString::fromUtf8("查看")};
  if (!action.isEmpty()) actions << action << action_text;
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
  call << QString::fromUtf8("Deal Watcher") << uint{0}
       << QString::fromUtf8("dealwatcher") << summary << body << actions
       << QVariantMap{{"desktop-entry", "dealwatcher"},
                      {"category", "im.received"}}
       << kShownMs;
  // Asynchronous: a slow or missing service never holds the windows up.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this](QDBusPendingCallWatcher* done) {
            QDBusPendingReply<uint> reply = *done;
            if (reply.isValid()) shown_.insert(reply.value());
            done->deleteLater();
          });
}

void DesktopNotice::OnActionInvoked(uint id, const QString& action) {
  if (!shown_.contains(id)) return;
  if (action == "default") {
    emit Clicked();
  } else {
    emit Chosen(action);
  }
}

}  // namespace dw
