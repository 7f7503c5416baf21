#include "app/windows/reminder_window.h"

#include <gtest/gtest.h>

#include <QTest>

#include "app/windows/reminder_place.h"
#include "app/windows/window_ops.h"
#include "runtime/ui/qt_app.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

constexpr int kSecondMs = 25;

// A reminder window with a short second, the mouse where the test puts it
// and every title it shows recorded.
struct Fixture {
  QPoint mouse{0, 0};
  std::vector<std::string> opened;
  std::vector<std::string> titles;
  ReminderWindow window;

  Fixture()
      : window(ReminderWindowOptions{
            kSecondMs, [this] { return mouse; },
            [this](const std::string& link) { opened.push_back(link); }}) {
    QObject::connect(
        &window, &QWidget::windowTitleChanged,
        [this](const QString& t) { titles.push_back(QStringToGbk(t)); });
  }
  void Show() { WriteProperty(&window, kPropVisible, true); }
  bool Visible() { return ReadBoolProperty(&window, kPropVisible); }
};

std::vector<std::string> CountdownFrom(int first, int last) {
  std::vector<std::string> titles;
  for (int s = first; s >= last; --s) titles.push_back(CountdownTitle(s));
  return titles;
}

TEST(ReminderWindow, CreatedHiddenPlacedAndShaped) {
  test::App();
  ReminderWindow window;
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("提醒窗口"));
  EXPECT_EQ(ReadIntProperty(&window, kPropWidth), 449);  // outer size
  EXPECT_EQ(ReadIntProperty(&window, kPropHeight), 191);
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  // The test screen is 800 by 800 with no task bar: the empty task-bar
  // rectangle gives a clearance of the whole height.
  EXPECT_EQ(window.pos(), QPoint(800 - 449 - 62, 800 - 191));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));

  EXPECT_EQ(window.ReminderList()->geometry(), QRect(2, 2, 440, 160));
}

TEST(ReminderWindow, CountsDownFourteenToZeroThenHides) {
  test::App();
  Fixture f;
  f.Show();
  EXPECT_TRUE(f.Visible());
  EXPECT_TRUE(f.titles.empty());  // the title is not reset on showing
  ASSERT_TRUE(test::WaitUntil([&] { return !f.Visible(); }));
  EXPECT_EQ(f.titles, CountdownFrom(14, 0));
  EXPECT_FALSE(f.window.CountdownRunning());
}

TEST(ReminderWindow, MouseAnywhereOnTheWindowHoldsItElsewhereNot) {
  test::App();
  const std::vector<std::string> held = {CountdownTitle(14), HeldTitle()};
  struct Case {
    const char* name;
    QPoint (*mouse)(const QRect& frame);
    bool holds;
  } cases[] = {
      {"centre", [](const QRect& r) { return r.center(); }, true},
      {"bottom-right corner", [](const QRect& r) { return r.bottomRight(); },
       true},
      // Right of and below the window's corner, yet off the window: on a
      // task bar under it.
      {"below", [](const QRect& r) { return r.bottomLeft() + QPoint(10, 5); },
       false},
      {"left", [](const QRect& r) { return r.topLeft() + QPoint(-1, 10); },
       false},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.mouse = c.mouse(f.window.frameGeometry());
    f.Show();
    ASSERT_TRUE(test::WaitUntil([&] { return !f.window.CountdownRunning(); }))
        << c.name;
    if (c.holds) {
      EXPECT_EQ(f.titles, held) << c.name;
      QTest::qWait(kSecondMs * 3);
      EXPECT_TRUE(f.Visible()) << c.name;
      EXPECT_EQ(f.titles.size(), 2u) << c.name;
    } else {
      EXPECT_EQ(f.titles, CountdownFrom(14, 0)) << c.name;
      EXPECT_FALSE(f.Visible()) << c.name;
    }
  }
}

TEST(ReminderWindow, CloseAndEscapeOnlyHide) {
  test::App();
  Fixture f;
  f.Show();
  EXPECT_FALSE(f.window.close());  // the close is refused ...
  EXPECT_FALSE(f.Visible());       // ... and the window hides
  EXPECT_FALSE(f.window.CountdownRunning());
  f.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.window));
  f.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
  QTest::keyClick(f.window.ReminderList(), Qt::Key_Escape);
  EXPECT_FALSE(f.Visible());
}

TEST(ReminderWindow, ANewShowingEndsTheEarlierCountdown) {
  test::App();
  Fixture f;
  f.Show();
  ASSERT_TRUE(test::WaitUntil([&] { return f.titles.size() >= 5; }));
  f.window.close();
  f.titles.clear();
  f.Show();
  ASSERT_TRUE(test::WaitUntil([&] { return !f.Visible(); }));
  // One count-down, from the new showing's first second to its last.
  EXPECT_EQ(f.titles, CountdownFrom(14, 0));
}

TEST(ReminderWindow, DoubleClickOpensTheSelectedRowsLink) {
  test::App();
  Fixture f;
  f.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.window));
  ListBox* list = f.window.ReminderList();
  QWidget* viewport = list->viewport();
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(50, 100));
  EXPECT_TRUE(f.opened.empty());
  for (const char* link : {"http://b.test/", "http://a.test/"}) {
    ListInsertRow(list, 0);
    ListSetItemText(list, 0, 0, "t");
    ListSetItemText(list, 0, 1, link);
  }
  const QRect first = list->visualItemRect(list->topLevelItem(0));
  const QPoint on_title(40, first.center().y());
  QTest::mouseClick(viewport, Qt::LeftButton, {}, on_title);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, on_title);
  EXPECT_EQ(f.opened, std::vector<std::string>{"http://a.test/"});
}

}  // namespace
}  // namespace dw
