#include "app/window_collect_view.h"

#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

#include "app/windows/main_window.h"
#include "app/windows/reminder_place.h"
#include "app/windows/reminder_window.h"
#include "app/windows/window_ops.h"
#include "collect/collect_texts.h"
#include "runtime/ui/qt_app.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

// " 本轮执行完毕，下一波将在150s后采集.."
const std::string kRoundDone = " " + std::string(kStatusRoundDone);

struct Windows {
  MainWindow main;
  std::vector<std::string> titles;
  ReminderWindow reminder{ReminderWindowOptions{20, [] { return QPoint(0, 0); },
                                                [](const std::string&) {}}};
  WindowCollectView view{&main, &reminder};

  Windows() {
    QObject::connect(
        &reminder, &QWidget::windowTitleChanged,
        [this](const QString& t) { titles.push_back(QStringToGbk(t)); });
  }
};

TEST(WindowCollectView, PostRowsGoOnTopWholeWithTheMarkStatusToPartsOneAndTwo) {
  test::App();
  Windows w;
  w.view.InsertPostRow({"3", "http://a.test/1", "Alpha", "old", "12/6 02:37"});
  w.view.InsertPostRow(
      {"4", "http://b.test/2", "\xCD\xF8", "new", "12/6 02:38", true});  // 网
  ListBox* list = w.main.PostList();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  const std::vector<std::string> top = {"4", "http://b.test/2", "\xCD\xF8",
                                        "new", "12/6 02:38"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(ListItemText(list, 0, c), top[c]);
  EXPECT_EQ(ListItemText(list, 1, 3), "old");
  EXPECT_FALSE(list->topLevelItem(0)->icon(3).isNull());
  EXPECT_TRUE(list->topLevelItem(1)->icon(3).isNull());

  // A rule run's rows come in one insert, each on top of the one before.
  int inserts = 0;
  QObject::connect(list->Rows(), &QAbstractItemModel::rowsInserted,
                   [&] { ++inserts; });
  w.view.InsertPostRows({{"5", "l1", "A", "a", "t"},
                         {"5", "l2", "A", "b", "t", true},
                         {"5", "l3", "A", "c", "t"}});
  EXPECT_EQ(inserts, 1);
  const std::vector<std::string> titles = {"c", "b", "a", "new"};
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(ListItemText(list, r, 3), titles[r]);
    EXPECT_EQ(list->topLevelItem(r)->icon(3).isNull(), r % 2 == 0);
  }

  w.view.ShowStatus(" \xBF\xAA\xCA\xBC", "12/6 02:37");  // " 开始"
  EXPECT_EQ(w.main.Status()->Part(1)->text(), QString::fromUtf8(" 开始"));
  EXPECT_EQ(w.main.Status()->Part(2)->text(), "12/6 02:37");
  EXPECT_EQ(w.main.Status()->Part(0)->text(), QString::fromUtf8(" 状态"));
}

TEST(WindowCollectView, RemindersShowTheWindowOncePerShowing) {
  test::App();
  Windows w;
  w.view.AddReminderRow({"first", "http://a.test/", "12/6 02:37"});
  EXPECT_TRUE(w.reminder.isVisible());
  ASSERT_TRUE(test::WaitUntil([&] { return w.titles.size() >= 3; }));
  w.view.AddReminderRow({"second", "http://b.test/", "12/6 02:38"});
  ListBox* list = w.reminder.ReminderList();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(ListItemText(list, 0, 0), "second");
  EXPECT_EQ(ListItemText(list, 0, 1), "http://b.test/");
  EXPECT_EQ(ListItemText(list, 0, 2), "12/6 02:38");
  ASSERT_TRUE(test::WaitUntil([&] { return !w.reminder.isVisible(); }));
  std::vector<std::string> expected;
  for (int s = 14; s >= 0; --s) expected.push_back(CountdownTitle(s));
  EXPECT_EQ(w.titles, expected);  // the second row did not restart it

  w.view.ClearReminders();
  EXPECT_EQ(list->topLevelItemCount(), 0);
  w.view.AddReminderRow({"next round", "http://c.test/", "12/6 02:40"});
  EXPECT_TRUE(w.reminder.isVisible());
  EXPECT_EQ(list->topLevelItemCount(), 1);
}

// Which posts the switches remind of, in the window and in the one batch
// per round that the other reminders get.
TEST(WindowCollectView, SwitchesChooseWhatIsRemindedAndWhere) {
  test::App();
  using Titles = std::vector<std::string>;
  struct Case {
    bool window, only_keywords;
    int rows;  // in the reminder window, which shows when it has any
    Titles batch;
  } cases[] = {{true, false, 2, {"plain", "hit"}},
               {true, true, 1, {"hit"}},
               {false, false, 0, {"plain", "hit"}},
               {false, true, 0, {"hit"}}};
  for (const Case& c : cases) {
    Windows w;
    ReminderSettings settings;
    settings.window = c.window;
    settings.only_keywords = c.only_keywords;
    w.view.SetReminders(settings);
    std::vector<Titles> batches;
    w.view.OnReminderBatch([&](const RoundNews& news) {
      batches.emplace_back();
      for (const ReminderRow& row : news.rows) {
        batches.back().push_back(row.title);
      }
    });
    w.view.EndReminderBatch();  // nothing announced: no batch
    w.view.ShowStatus(kRoundDone, "");
    w.view.AddReminderRow({"plain", "http://a.test/1", "12/6 02:37", false});
    w.view.AddReminderRow({"hit", "http://a.test/2", "12/6 02:37", true});
    w.view.EndReminderBatch();
    w.view.EndReminderBatch();
    w.view.ShowStatus(kRoundDone, "");
    EXPECT_EQ(w.reminder.ReminderList()->topLevelItemCount(), c.rows);
    EXPECT_EQ(w.reminder.isVisible(), c.rows > 0);
    EXPECT_EQ(batches, std::vector<Titles>{c.batch})
        << c.window << c.only_keywords;
  }
}

TEST(WindowCollectView, QueuedCallsRunInOrderOnTheGuiThread) {
  test::App();
  Windows w;
  std::vector<int> order;
  std::atomic<bool> all_on_gui{true};
  const auto gui = QThread::currentThread();
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      w.view.RunOnGuiThread([&, i] {
        if (QThread::currentThread() != gui) all_on_gui = false;
        order.push_back(i);
      });
    }
  });
  worker.join();
  EXPECT_TRUE(order.empty());  // queued, not run by the worker
  ASSERT_TRUE(test::WaitUntil([&] { return order.size() == 50; }));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
  EXPECT_TRUE(all_on_gui);
}

TEST(WindowCollectView, CallsStillQueuedWhenTheViewGoesAreDropped) {
  test::App();
  MainWindow main;
  ReminderWindow reminder;
  auto view = std::make_unique<WindowCollectView>(&main, &reminder);
  int ran = 0;
  std::thread worker([&] { view->RunOnGuiThread([&] { ++ran; }); });
  worker.join();
  view.reset();
  QTest::qWait(20);
  EXPECT_EQ(ran, 0);
}

}  // namespace
}  // namespace dw
