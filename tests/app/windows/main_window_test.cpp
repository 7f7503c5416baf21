#include "app/windows/main_window.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "app/windows/reminder_window.h"
#include "app/windows/window_ops.h"
#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

struct Recorder {
  int starts = 0, stops = 0;
  QString caption_at_start, caption_at_stop;
  std::vector<std::string> opened;
  std::vector<bool> on_top_while_delaying;
};

MainWindowActions RecordingActions(Recorder* r, MainWindow** window) {
  MainWindowActions a;
  a.start_collection = [=] {
    ++r->starts;
    r->caption_at_start = (*window)->StartButton()->text();
  };
  a.stop_collection = [=] {
    ++r->stops;
    r->caption_at_stop = (*window)->StartButton()->text();
  };
  a.open_link = [=](const std::string& link) { r->opened.push_back(link); };
  a.delay = [=](int ms) {
    EXPECT_EQ(ms, 200);
    r->on_top_while_delaying.push_back(
        (*window)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  };
  return a;
}

TEST(MainWindow, LayoutAndCaptions) {
  test::App();
  MainWindow window;
  EXPECT_EQ(window.windowTitle(), "Voskel v1.0");
  // 1000 by 600 (outer size) centred, but the test screen is 800 by 800:
  // as wide as fits, inside it.
  EXPECT_EQ(ReadIntProperty(&window, kPropHeight), 600);
  EXPECT_GT(ReadIntProperty(&window, kPropWidth), 750);
  EXPECT_TRUE(QRect(0, 0, 800, 800).contains(window.frameGeometry()));
  EXPECT_EQ(window.pos().y(), 100);
  EXPECT_EQ(window.Label()->text(),
            QString::fromUtf8("自动监控赚客吧、线报屋、月云网、抢抢网、爱Q活动"
                              "线报。功能建议可给我留言"));
  EXPECT_EQ(window.Label()->geometry(), QRect(4, 9, 440, 24));
  EXPECT_EQ(window.StartButton()->text(), QString::fromUtf8("开始"));
  EXPECT_EQ(window.StartButton()->geometry(), QRect(560, 5, 77, 32));
  EXPECT_EQ(window.PostList()->geometry(), QRect(84, 41, 640, 496));
  EXPECT_EQ(window.RuleTree()->geometry(), QRect(-1, 46, 86, 336));
  EXPECT_EQ(window.Status()->geometry(),
            QRect(0, window.height() - 20, window.width(), 20));
  EXPECT_EQ(window.Status()->Part(0)->text(), QString::fromUtf8(" 状态"));
  EXPECT_EQ(window.Status()->Part(0)->width(), 42);
  EXPECT_EQ(window.Status()->Part(0)->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(window.Status()->Part(1)->text(), "");
  EXPECT_EQ(window.Status()->Part(2)->text(), "");
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

// Both windows' lists: report style, fixed columns, no sorting, one
// selected row, the same colours and the green mark as image 0.
TEST(Lists, ColumnsSelectionAndColours) {
  test::App();
  MainWindow main;
  ReminderWindow reminder;
  struct Column {
    const char* heading;
    int width;
    Qt::Alignment alignment;
  };
  struct Case {
    const char* name;
    ListBox* list;
    std::vector<Column> columns;
    bool whole_row;
    int frame;
  } cases[] = {
      {"post list",
       main.PostList(),
       {{"", 0, Qt::AlignLeft},
        {"链接", 0, Qt::AlignLeft},
        {"站名", 82, Qt::AlignHCenter},
        {"标题", 450, Qt::AlignLeft},
        {"抓取时间", 90, Qt::AlignHCenter}},
       true,
       QFrame::Box | QFrame::Plain},
      {"reminder list",
       reminder.ReminderList(),
       {{"标题", 342, Qt::AlignLeft},
        {"链接", 0, Qt::AlignLeft},
        {"时间", 76, Qt::AlignHCenter}},
       false,
       QFrame::Panel | QFrame::Sunken},
  };
  for (const auto& c : cases) {
    ListBox* list = c.list;
    ASSERT_EQ(list->columnCount(), static_cast<int>(c.columns.size()))
        << c.name;
    for (int i = 0; i < list->columnCount(); ++i) {
      EXPECT_EQ(list->headerItem()->text(i),
                QString::fromUtf8(c.columns[i].heading))
          << c.name << i;
      EXPECT_EQ(list->header()->sectionSize(i), c.columns[i].width)
          << c.name << i;
      EXPECT_EQ(list->ColumnAlignment(i), c.columns[i].alignment)
          << c.name << i;
    }
    EXPECT_EQ(list->allColumnsShowFocus(), c.whole_row) << c.name;
    EXPECT_EQ(list->frameStyle(), c.frame) << c.name;
    EXPECT_FALSE(list->isSortingEnabled()) << c.name;
    EXPECT_FALSE(list->header()->sectionsClickable()) << c.name;
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(251, 245, 213));
    EXPECT_EQ(list->palette().color(QPalette::Text), QColor(Qt::black));
    ASSERT_NE(list->Image(0), nullptr) << c.name;
    EXPECT_EQ(list->Image(0)->availableSizes().value(0), QSize(15, 15));
  }
}

TEST(MainWindow, StatusPartOneFollowsTheOuterWidth) {
  test::App();
  MainWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const int frame = window.frameGeometry().width() - window.width();
  for (int width : {800, 660, 1000}) {
    WriteProperty(&window, kPropWidth, width);
    EXPECT_EQ(ReadIntProperty(&window, kPropWidth), width);
    EXPECT_EQ(window.Status()->Part(1)->width(), width - 150) << width;
    EXPECT_EQ(window.Status()->Part(2)->geometry().left(), 42 + width - 150);
    EXPECT_EQ(window.Status()->Part(2)->width(),
              width - frame - 42 - (width - 150));
    EXPECT_EQ(window.Status()->geometry(),
              QRect(0, window.height() - 20, width - frame, 20));
  }
  WriteProperty(&window, kPropWidth, 100);  // negative: to the right edge
  EXPECT_EQ(window.Status()->Part(1)->width(), 100 - frame - 42);
}

TEST(MainWindow, ButtonTogglesCaptionBeforeStartingOrStopping) {
  test::App();
  Recorder r;
  MainWindow* self = nullptr;
  MainWindow window(RecordingActions(&r, &self));
  self = &window;
  QTest::mouseClick(window.StartButton(), Qt::LeftButton);
  EXPECT_EQ(window.StartButton()->text(), QString::fromUtf8("暂停"));
  EXPECT_EQ(r.starts, 1);
  EXPECT_EQ(r.caption_at_start, QString::fromUtf8("暂停"));
  QTest::mouseClick(window.StartButton(), Qt::LeftButton);
  EXPECT_EQ(window.StartButton()->text(), QString::fromUtf8("开始"));
  EXPECT_EQ(r.stops, 1);
  EXPECT_EQ(r.caption_at_stop, QString::fromUtf8("开始"));
  QTest::mouseClick(window.StartButton(), Qt::LeftButton);
  EXPECT_EQ(r.starts, 2);
  EXPECT_EQ(r.stops, 1);
}

TEST(MainWindow, DoubleClickOpensTheSelectedRowsLinkOnTop) {
  test::App();
  Recorder r;
  MainWindow* self = nullptr;
  MainWindow window(RecordingActions(&r, &self));
  self = &window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QWidget* viewport = window.PostList()->viewport();

  // Nothing selected: nothing happens.
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(r.opened.empty());
  EXPECT_TRUE(r.on_top_while_delaying.empty());

  for (const char* link : {"http://b.test/2", "http://a.test/1"}) {
    const int row = ListInsertRow(window.PostList(), 0);
    ListSetItemText(window.PostList(), row, 1, link);
    ListSetItemText(window.PostList(), row, 3, "title");
  }
  const QRect second =
      window.PostList()->visualItemRect(window.PostList()->topLevelItem(1));
  // A real double-click starts with a press, which selects the row.
  QTest::mouseClick(viewport, Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, second.center());
  ASSERT_EQ(r.opened.size(), 1u);
  EXPECT_EQ(r.opened[0], "http://b.test/2");
  EXPECT_EQ(r.on_top_while_delaying, std::vector<bool>{true});
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window.isVisible());
}

TEST(MainWindow, EscapeClosesAndReportsIt) {
  test::App();
  MainWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QSignalSpy closed(&window, &MainWindow::Closed);
  QTest::keyClick(window.PostList(), Qt::Key_Escape);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(window.isVisible());
}

TEST(MainWindow, DraggingTheBackgroundOrLabelMovesTheWindow) {
  test::App();
  MainWindow window;
  window.move(50, 60);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // A press on the label reaches the window as a press on its background.
  for (QWidget* grip : {static_cast<QWidget*>(&window),
                        static_cast<QWidget*>(window.Label())}) {
    const QPoint start = window.pos();
    const QPoint at = grip->mapTo(&window, QPoint(20, 10));
    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseMove(&window, at + QPoint(30, 20));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, at + QPoint(30, 20));
    EXPECT_EQ(window.pos(), start + QPoint(30, 20));
  }
}

}  // namespace
}  // namespace dw
