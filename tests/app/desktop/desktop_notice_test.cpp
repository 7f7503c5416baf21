#include "app/desktop/desktop_notice.h"

#include <gtest/gtest.h>

#include <QTest>

#include "app/desktop/recording_notifications.h"
#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

// On a session bus of the test's own, so no desktop's service is reached.
TEST(DesktopNotice, ShowsOnTheServiceAndTellsOfClicksOnItsOwn) {
  test::PrivateBus bus;
  ASSERT_FALSE(bus.Address().isEmpty());
  test::App();
  DesktopNotice notice;
  int clicks = 0;
  QObject::connect(&notice, &DesktopNotice::Clicked, [&] { ++clicks; });
  notice.Show("nobody", "listens");  // no service yet: nothing breaks
  QTest::qWait(100);

  test::RecordingNotifications recorder;
  ASSERT_TRUE(recorder.Serve(bus));
  notice.Show(QString::fromUtf8("2 条新线报"), "a\nb");
  ASSERT_TRUE(test::WaitUntil([&] { return !recorder.shown.empty(); }));
  EXPECT_EQ(recorder.shown.back(),
            QStringList({"Deal Watcher", QString::fromUtf8("2 条新线报"),
                         "a\nb", QString::fromUtf8("default,查看")}));
  QTest::qWait(200);                         // the reply with its id comes back
  for (uint id : {uint{7}, uint{40 + 1}}) {  // another program's, then ours
    recorder.Choose(id, "default");
  }
  ASSERT_TRUE(test::WaitUntil([&] { return clicks > 0; }));
  QTest::qWait(100);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace dw
