#include "app/desktop/desktop_notice.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

// A notification service of the test's own that keeps what it is shown.
class RecordingNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  std::vector<QStringList> shown;  // app, summary, body, first action

 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary,
              const QString& body, const QStringList& actions,
              const QVariantMap&, int) {
    shown.push_back({app, summary, body, actions.value(0)});
    return 40 + static_cast<uint>(shown.size());
  }
};

// On a session bus of the test's own, so no desktop's service is reached.
TEST(DesktopNotice, ShowsOnTheServiceAndTellsOfClicksOnItsOwn) {
  QProcess bus;
  bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
  ASSERT_TRUE(bus.waitForReadyRead(10000));
  const QByteArray address = bus.readLine().trimmed();
  qputenv("DBUS_SESSION_BUS_ADDRESS", address);
  test::App();
  DesktopNotice notice;
  int clicks = 0;
  QObject::connect(&notice, &DesktopNotice::Clicked, [&] { ++clicks; });
  notice.Show("nobody", "listens");  // no service yet: nothing breaks
  QTest::qWait(100);

  QDBusConnection service =
      QDBusConnection::connectToBus(QString(address), "notification-service");
  RecordingNotifications recorder;
  ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications",
                                     &recorder,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
  notice.Show(QString::fromUtf8("2 条新线报"), "a\nb");
  ASSERT_TRUE(test::WaitUntil([&] { return !recorder.shown.empty(); }));
  EXPECT_EQ(recorder.shown.back(),
            QStringList({"Deal Watcher", QString::fromUtf8("2 条新线报"),
                         "a\nb", "default"}));
  QTest::qWait(200);                         // the reply with its id comes back
  for (uint id : {uint{7}, uint{40 + 1}}) {  // another program's, then ours
    QDBusMessage clicked = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
        "ActionInvoked");
    clicked << id << QString("default");
    service.send(clicked);
  }
  ASSERT_TRUE(test::WaitUntil([&] { return clicks > 0; }));
  QTest::qWait(100);
  EXPECT_EQ(clicks, 1);
  bus.terminate();
  bus.waitForFinished(5000);
}

}  // namespace
}  // namespace dw

#include "desktop_notice_test.moc"
