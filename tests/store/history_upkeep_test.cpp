#include "store/history_upkeep.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "runtime/temp_dir.h"
#include "store/history_search.h"
#include "store/sql_statement.h"
#include "store/statements.h"

namespace dw {
namespace {

// What stands in the upkeep's way, how it is taken away, and what the
// user is told meanwhile.
struct Hindrance {
  const char* name;
  std::function<void(Database& db, Database& other)> harm;
  std::function<void(Database& db, Database& other)> heal;
  const char* said;  // UTF-8, part of what the first pass says
  bool first_complete;
};

class HistoryUpkeepTest : public ::testing::TestWithParam<Hindrance> {};

// Each pass says what is wrong; once it is gone, the next pass leaves the
// history complete, every post found by its title.
TEST_P(HistoryUpkeepTest, APassSaysWhatIsWrongAndALaterOneCompletes) {
  dw::testing::TempDir dir;
  Database db, other;
  const std::string path = dir.File("qel6.sdb");
  ASSERT_TRUE(DbOpen(db, path, true));
  std::ifstream in(std::string(DW_SOURCE_DIR) + "/data/schema.sql");
  std::stringstream schema;
  schema << in.rdbuf();
  ASSERT_TRUE(DbExecute(db, schema.str()));
  ASSERT_TRUE(DbExecute(
      db,
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
      "WHERE i < 3000) INSERT INTO info(planname,planid,title,url,addtime,zt)"
      " SELECT 'A', 1, 'deal-' || i || '-end ' || hex(randomblob(60)), 'u' || "
      "i,"
      " '1/1 12:00', 0 FROM n"));
  ASSERT_TRUE(DbOpen(other, path));
  DbSetBusyWait(db, 50);
  GetParam().harm(db, other);
  const HistoryUpkeep first = KeepUpHistory(db, true, nullptr, 500, 0);
  EXPECT_EQ(first.Complete(), GetParam().first_complete);
  EXPECT_NE(HistoryUpkeepText(first).find(GetParam().said), std::string::npos)
      << HistoryUpkeepText(first);
  GetParam().heal(db, other);
  const HistoryUpkeep second = KeepUpHistory(db, true, nullptr, 500, 0);
  EXPECT_TRUE(second.Complete()) << HistoryUpkeepText(second);
  HistoryFilter filter;
  filter.text = "deal-2999-end";
  EXPECT_EQ(CountHistory(db, filter), 1);
  EXPECT_FALSE(HistoryIndexDamaged(db, "dw_post_search"));
}

INSTANTIATE_TEST_SUITE_P(
    Hindrances, HistoryUpkeepTest,
    ::testing::Values(
        // Held at the first start of the version that adds the tables.
        Hindrance{"Held",
                  [](Database&, Database& other) {
                    ASSERT_TRUE(RunSql(other, "BEGIN EXCLUSIVE"));
                  },
                  [](Database&, Database& other) { RunSql(other, "COMMIT"); },
                  "稍后自动重试", false},
        Hindrance{"DiskFull",
                  [](Database& db, Database&) {
                    SqlStatement pages(db, "PRAGMA page_count");
                    ASSERT_EQ(pages.Step(), SQLITE_ROW);
                    RunSql(db, ("PRAGMA max_page_count = " +
                                std::to_string(pages.Int(0) + 80))
                                   .c_str());
                  },
                  [](Database& db, Database&) {
                    RunSql(db, "PRAGMA max_page_count = 1000000");
                  },
                  "磁盘已满", false},
        Hindrance{
            "DamagedIndex",
            [](Database& db, Database&) {
              ASSERT_TRUE(KeepUpHistory(db, false, nullptr, 500, 0).Complete());
              ASSERT_TRUE(RunSql(db,
                                 "UPDATE dw_post_search_data SET block = "
                                 "randomblob(length(block)) WHERE id > 10"));
            },
            [](Database&, Database&) {}, "已从保存的帖子重建", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Posts deleted by hand from an `info` without AUTOINCREMENT leave their
// row numbers to new posts: stored by us or by another program, each new
// post is found by its title, and the old titles no longer are.
TEST(ReusedRowNumbers, NewPostsUnderReusedRowsAreFoundByTheirTitles) {
  for (const bool ours : {true, false}) {
    SCOPED_TRACE(ours ? "stored by us" : "stored by another program");
    dw::testing::TempDir dir;
    Database db;
    ASSERT_TRUE(DbOpen(db, dir.File("qel6.sdb"), true));
    ASSERT_TRUE(DbExecute(db,
                          "CREATE TABLE info (id INTEGER PRIMARY KEY, planname"
                          " TEXT, planid INTEGER, title TEXT, url TEXT, "
                          "addtime TEXT, zt INTEGER)"));
    ASSERT_TRUE(PrepareHistory(db).search_index);
    const auto store = [&](const std::string& title, bool with_history) {
      StoredPost post{"A", 1, title, "u-" + title, "1/1 12:00", 0, 0};
      return with_history ? StorePost(db, post) : InsertPost(db, post, nullptr);
    };
    for (int i = 1; i <= 20; ++i) store("old-" + std::to_string(i), true);
    ASSERT_TRUE(DbExecute(db, "DELETE FROM info WHERE id > 10"));
    for (int i = 11; i <= 20; ++i) store("new-" + std::to_string(i), ours);
    if (!ours) ASSERT_TRUE(KeepUpHistory(db, false, nullptr, 7, 0).Complete());
    for (int i = 11; i <= 20; ++i) {
      HistoryFilter filter;
      filter.text = "new-" + std::to_string(i);
      EXPECT_EQ(CountHistory(db, filter), 1) << filter.text;
      filter.text = "old-" + std::to_string(i);
      EXPECT_EQ(CountHistory(db, filter), 0) << filter.text;
    }
  }
}

}  // namespace
}  // namespace dw
