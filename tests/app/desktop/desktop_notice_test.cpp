#include "app/desktop/desktop_notice.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
#include <QVariantMap>

#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

// A notification service of our own that keeps what it is asked to show.
class RecordingNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Shown {
    QString app, summary, body;
    QStringList actions;
  };
  std::vector<Shown> shown;

 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary,
              const QString& body, const QStringList& actions,
              const QVariantMap&, int) {
    shown.push_back({app, summary, body, actions});
    return 40 + static_cast<uint>(shown.size());
  }
};

// A session bus of the test's own, so no desktop's service is reached.
class DesktopNoticeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    daemon_ = new QProcess;
    daemon_->start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon_->waitForReadyRead(10000));
    address_ = QString::fromUtf8(daemon_->readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
  }
  static void TearDownTestSuite() {
    daemon_->terminate();
    daemon_->waitForFinished(5000);
    delete daemon_;
  }
  static QProcess* daemon_;
  static QString address_;
};
QProcess* DesktopNoticeTest::daemon_ = nullptr;
QString DesktopNoticeTest::address_;

TEST_F(DesktopNoticeTest, ShowsOnTheServiceAndTellsOfClicksOnItsOwn) {
  test::App();
  DesktopNotice notice;
  int clicks = 0;
  QObject::connect(&notice, &DesktopNotice::Clicked, [&] { ++clicks; });
  notice.Show("nobody", "listens");  // no service yet: nothing breaks
  QApplication::processEvents();

  QDBusConnection service =
      QDBusConnection::connectToBus(address_, "notification-service");
  RecordingNotifications recorder;
  ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications",
                                     &recorder,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
  notice.Show(QString::fromUtf8("2 条新线报"), "a\nb");
  ASSERT_TRUE(test::WaitUntil([&] { return !recorder.shown.empty(); }));
  const RecordingNotifications::Shown& got = recorder.shown.back();
  EXPECT_EQ(got.app, "Deal Watcher");
  EXPECT_EQ(got.summary, QString::fromUtf8("2 条新线报"));
  EXPECT_EQ(got.body, "a\nb");
  EXPECT_EQ(got.actions.value(0), "default");
  QTest::qWait(200);  // the reply with its id comes back

  for (uint id : {uint{7}, uint{40 + 1}}) {  // another program's, then ours
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
        "ActionInvoked");
    signal << id << QString("default");
    service.send(signal);
  }
  ASSERT_TRUE(test::WaitUntil([&] { return clicks > 0; }));
  QTest::qWait(100);
  EXPECT_EQ(clicks, 1);
  service.unregisterService("org.freedesktop.Notifications");
  QDBusConnection::disconnectFromBus("notification-service");
}

}  // namespace
}  // namespace dw

#include "desktop_notice_test.moc"
