#include "app/windows/history_window.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "app/windows/history_export.h"
#include "runtime/temp_dir.h"
#include "runtime/ui/qt_app.h"
#include "store/post_history.h"
#include "store/post_time.h"
#include "store/schema_text.h"
#include "store/statements.h"

namespace dw {
namespace {

std::int64_t At(int year, int month, int day, int hour, int minute) {
  return UnixTimeOf(FromCalendarTime({year, month, day, hour, minute, 0}));
}

class HistoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    ASSERT_TRUE(DbOpen(db_, dir_.File("qel6.sdb"), true));
    ASSERT_TRUE(DbExecute(db_, testing::SchemaText()));
  }

  std::vector<std::string> Shown(HistoryWindow& window) {
    std::vector<std::string> links;
    for (int row = 0; row < window.Model()->rowCount(); ++row)
      links.push_back(window.Model()->PostAt(row)->link);
    return links;
  }

  dw::testing::TempDir dir_;
  Database db_;
};

TEST_F(HistoryWindowTest, ListsSearchesFiltersAndExportsAfterCatchingUp) {
  const std::int64_t now = At(2026, 12, 7, 15, 0);
  // Stored by an older version: info rows only, with the old time text.
  ASSERT_TRUE(DbExecute(
      db_,
      "insert into info(planname,planid,title,url,addtime,zt)"
      " values('Old',1,'\xb2\xe8, \"x\"','http://h/1','2026/12/1 08:00',0)"));
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  ASSERT_TRUE(StorePost(
      db_, {"New", 2, "\xc2\xcc\xb2\xe8\xd2\xb6", "L2", "", 1, now - 3600}));
  ASSERT_TRUE(StorePost(db_, {"New", 2, "Tea", "L3", "", 0, now - 60}));

  std::vector<std::string> opened;
  HistoryWindowOptions options;
  options.database_path = dir_.File("qel6.sdb");
  options.links.open_link = [&opened](const std::string& link) {
    opened.push_back(link);
    return true;
  };
  options.clock = [now] { return now; };
  std::vector<QString> starts;  // where the dialog would have opened
  options.export_path = [this, &starts](const QString& start) {
    starts.push_back(start);
    return QString::fromStdString(dir_.File("out.csv"));
  };
  HistoryWindow window(options);
  window.Open();
  EXPECT_EQ(Shown(window), (std::vector<std::string>{"L3", "L2"}));
  ASSERT_TRUE(test::WaitUntil([&] { return window.Model()->rowCount() == 3; }));
  EXPECT_EQ(window.Status()->text(), QString::fromUtf8("共 3 条"));
  EXPECT_EQ(window.SiteBox()->count(), 3);  // 全部站点, New, Old

  window.SearchField()->insert(QString::fromUtf8("茶"));  // as if typed
  ASSERT_TRUE(test::WaitUntil([&] { return window.Model()->rowCount() == 2; }));
  EXPECT_EQ(Shown(window), (std::vector<std::string>{"L2", "http://h/1"}));
  window.HitsOnly()->setChecked(true);
  EXPECT_EQ(Shown(window), std::vector<std::string>{"L2"});
  window.HitsOnly()->setChecked(false);
  window.SiteBox()->setCurrentIndex(window.SiteBox()->findText("Old"));
  window.Search();
  EXPECT_EQ(Shown(window), std::vector<std::string>{"http://h/1"});
  window.SiteBox()->setCurrentIndex(0);
  window.SearchField()->clear();
  window.RangeBox()->setCurrentIndex(HistoryWindow::kToday);
  EXPECT_EQ(Shown(window), (std::vector<std::string>{"L3", "L2"}));
  window.RangeBox()->setCurrentIndex(HistoryWindow::kCustom);
  window.FromDate()->setDate(QDate(2026, 12, 1));
  window.ToDate()->setDate(QDate(2026, 12, 1));
  EXPECT_EQ(Shown(window), std::vector<std::string>{"http://h/1"});

  window.List()->doubleClicked(window.Model()->index(0, 1));
  EXPECT_EQ(opened, std::vector<std::string>{"http://h/1"});

  // The export round trip, read back by Python's csv reader.
  window.RangeBox()->setCurrentIndex(HistoryWindow::kAll);
  window.ExportButton()->click();
  const std::string read =
      "python3 -c \"import csv,sys; "
      "[print('|'.join(r)) for r in csv.reader(open(sys.argv[1], "
      "newline='', encoding='utf-8-sig'))]\" " +
      dir_.File("out.csv");
  FILE* python = popen(read.c_str(), "r");
  ASSERT_NE(python, nullptr);
  std::string rows;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, python)) rows += buffer;
  EXPECT_EQ(pclose(python), 0);
  EXPECT_EQ(rows,
            "site|title|link|time|hit\n"
            "New|Tea|L3|2026-12-07T14:59:00|0\n"
            "New|绿茶叶|L2|2026-12-07T14:00:00|1\n"
            "Old|茶, \"x\"|http://h/1|2026-12-01T08:00:00|0\n");
  window.ExportButton()->click();  // in the documents, then where it went
  const QString file = QString::fromUtf8("/帖子.csv");
  EXPECT_EQ(
      starts,
      (std::vector<QString>{
          QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
              file,
          QFileInfo(QString::fromStdString(dir_.File("out.csv")))
                  .absolutePath() +
              file}));

  // More than a page: the first page at once, the count when it is done.
  ASSERT_TRUE(DbExecute(db_, "BEGIN"));
  for (int i = 0; i < HistoryModel::kPageSize; ++i)
    ASSERT_TRUE(StorePost(db_, {"New", 2, "Tea", "L", "", 0, now}));
  ASSERT_TRUE(DbExecute(db_, "COMMIT"));
  window.Search();
  EXPECT_EQ(window.Status()->text(), QString::fromUtf8("共 200 条以上"));
  EXPECT_TRUE(test::WaitUntil([&] {
    return window.Status()->text() == QString::fromUtf8("共 203 条");
  }));
  // Scrolled to the end: every post once.
  for (int page = 0; page < 5 && window.Model()->canFetchMore({}); ++page)
    window.Model()->fetchMore({});
  std::set<std::int64_t> ids;
  for (int row = 0; row < window.Model()->rowCount(); ++row)
    ids.insert(window.Model()->PostAt(row)->id);
  EXPECT_EQ(window.Model()->rowCount(), 203);
  EXPECT_EQ(ids.size(), 203u);
}

// The day ranges hold today and the days before it, no more: a post a
// second before the first day is outside.
TEST_F(HistoryWindowTest, DayRangesHoldExactlyTheirDays) {
  const std::int64_t now = At(2026, 12, 7, 15, 0);
  const struct {
    HistoryWindow::Range range;
    std::int64_t first;  // the first moment inside
  } cases[] = {{HistoryWindow::kToday, At(2026, 12, 7, 0, 0)},
               {HistoryWindow::kWeek, At(2026, 12, 1, 0, 0)},
               {HistoryWindow::kMonth, At(2026, 11, 8, 0, 0)}};
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  for (const auto& c : cases) {
    const std::string range = std::to_string(c.range);
    ASSERT_TRUE(StorePost(db_, {"S", 1, "t", "in" + range, "", 0, c.first}));
    ASSERT_TRUE(
        StorePost(db_, {"S", 1, "t", "out" + range, "", 0, c.first - 1}));
  }
  HistoryWindowOptions options;
  options.database_path = dir_.File("qel6.sdb");
  options.clock = [now] { return now; };
  HistoryWindow window(options);
  window.Open();
  for (const auto& c : cases) {
    window.RangeBox()->setCurrentIndex(c.range);
    const std::vector<std::string> shown = Shown(window);
    const std::string range = std::to_string(c.range);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "in" + range), 1) << range;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "out" + range), 0)
        << range;
  }
}

TEST_F(HistoryWindowTest, ExportFailingHalfWayLeavesTheOldFile) {
  const std::string path = dir_.Write("out.csv", "old contents");
  int pages = 0;
  QString error;
  const auto written = ExportHistoryCsv(
      QString::fromStdString(path),
      [&pages](std::int64_t) -> std::optional<std::vector<HistoryPost>> {
        if (++pages > 1) return std::nullopt;
        return std::vector<HistoryPost>{{7, "A", "t", "L", 0, false}};
      },
      &error);
  EXPECT_FALSE(written);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(dw::testing::ReadFile(path), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(
                              std::filesystem::path(path).parent_path()),
                          {}),
            2);  // the database and the old file: no temporary left
}

TEST_F(HistoryWindowTest, ExportedTitlesNeverRunAsFormulas) {
  const std::string path = dir_.File("formulas.csv");
  const std::vector<std::string> titles = {"=HYPERLINK(\"http://x\",\"y\")",
                                           "+1",
                                           "-2",
                                           "@SUM(A1)",
                                           "\tcmd",
                                           std::string("a\0b", 3),
                                           "plain",
                                           "two\r\nlines"};
  std::vector<HistoryPost> posts;
  for (const std::string& title : titles) {
    posts.push_back({static_cast<std::int64_t>(posts.size() + 1), "S", title,
                     "L", 0, false});
  }
  QString error;
  bool given = false;
  ASSERT_TRUE(ExportHistoryCsv(
      QString::fromStdString(path),
      [&](std::int64_t) -> std::optional<std::vector<HistoryPost>> {
        if (given) return std::vector<HistoryPost>{};
        given = true;
        return posts;
      },
      &error));
  EXPECT_EQ(dw::testing::ReadFile(path),
            "\xEF\xBB\xBFsite,title,link,time,hit\r\n"
            "S,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",L,,0\r\n"
            "S,'+1,L,,0\r\nS,'-2,L,,0\r\nS,'@SUM(A1),L,,0\r\n"
            "S,'\tcmd,L,,0\r\nS,ab,L,,0\r\nS,plain,L,,0\r\n"
            "S,\"two\r\nlines\",L,,0\r\n");
}

}  // namespace
}  // namespace dw
