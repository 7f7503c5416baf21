#include "runtime/database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "runtime/temp_dir.h"

namespace dw {
namespace {

using dw::testing::ReadFile;
using dw::testing::TempDir;
namespace fs = std::filesystem;

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("t.sdb");
    ASSERT_TRUE(DbOpen(db_, path_, true));
    ASSERT_TRUE(DbExecute(db_,
                          "create table t(a text, b integer, c text);"
                          "insert into t values('x', 1, null);"
                          "insert into t values('y', 2, '');"
                          "insert into t values('z', 3, 'w');"));
  }
  // Opens sql on rs_ and counts its rows; -1 when that fails.
  int Rows(const std::string& sql) {
    if (!RsOpen(rs_, sql, db_) || !RsRequery(rs_)) return -1;
    return RsRowCount(rs_);
  }

  TempDir dir_;
  std::string path_;
  Database db_;
  RecordSet rs_;
};

TEST(DbOpen, NeverCreatesAFileUnlessAsked) {
  TempDir dir;
  Database db;
  const std::string missing = dir.File("missing.sdb");
  EXPECT_FALSE(DbOpen(db, missing));
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_FALSE(db.IsOpen());
  EXPECT_TRUE(DbOpen(db, missing, true));
  EXPECT_TRUE(db.IsOpen());
  EXPECT_TRUE(DbExecute(db, "create table x(a)"));
  EXPECT_TRUE(fs::exists(missing));
}

TEST(DbOpen, MemoryOnlyWhenCreating) {
  Database db;
  for (const char* name : {"", ":memory:", ":MEMORY:"}) {
    EXPECT_FALSE(DbOpen(db, name)) << name;
    EXPECT_TRUE(DbOpen(db, name, true)) << name;
    EXPECT_TRUE(DbExecute(db, "create table x(a)")) << name;
  }
  EXPECT_FALSE(fs::exists(":memory:"));
}

TEST(DbOpen, FolderIsRefusedAndFailedOpenLeavesDatabaseClosed) {
  TempDir dir;
  fs::create_directory(dir.File("qel6.sdb"));
  Database db;
  ASSERT_TRUE(DbOpen(db, ":memory:", true));
  EXPECT_FALSE(DbOpen(db, dir.File("qel6.sdb")));
  EXPECT_FALSE(db.IsOpen());
  EXPECT_FALSE(DbExecute(db, "select 1"));
}

TEST(DbOpen, ZeroByteAndForeignFilesOpenButStatementsFailSoftly) {
  TempDir dir;
  const std::string foreign = "this is not a database, just some text\n";
  const std::string paths[] = {dir.Write("empty.sdb", ""),
                               dir.Write("text.sdb", foreign)};
  for (const auto& path : paths) {
    const std::string before = ReadFile(path);
    Database db;
    RecordSet rs;
    ASSERT_TRUE(DbOpen(db, path)) << path;
    EXPECT_FALSE(RsOpen(rs, "select * from rule", db));
    EXPECT_FALSE(RsRequery(rs));
    EXPECT_EQ(RsRowCount(rs), 0);
    EXPECT_TRUE(RsAllRows(rs, true).Empty());
    EXPECT_FALSE(DbExecute(db, "insert into info(title) values('a')"));
    EXPECT_FALSE(DbExecute(db, "insert into info(title) values(?)", {"a"}));
    EXPECT_TRUE(DbClose(db));
    EXPECT_EQ(ReadFile(path), before) << path;
  }
}

TEST(DbExecute, ClosedOrEmpty) {
  Database db;
  EXPECT_FALSE(DbExecute(db, "select 1"));
  EXPECT_TRUE(DbClose(db));
  ASSERT_TRUE(DbOpen(db, ":memory:", true));
  EXPECT_FALSE(DbExecute(db, ""));
  EXPECT_FALSE(DbExecute(db, "not sql"));
  EXPECT_TRUE(DbExecute(db, "create table a(x); create table b(y);"));
  EXPECT_TRUE(DbExecute(db, "select * from b"));
}

TEST_F(DatabaseTest, BoundValuesKeepQuotesAndCannotChangeTheStatement) {
  ASSERT_TRUE(DbExecute(db_, "create table p(v text, n integer)"));
  const std::string tricky[] = {"it's", "say \"hi\"", "'); drop table p; --",
                                "\xd6\xd0'\xce\xc4"};
  for (const auto& value : tricky) {
    EXPECT_TRUE(DbExecute(db_, "insert into p values(?, ?)", {value, 7LL}))
        << value;
  }
  EXPECT_TRUE(DbExecute(db_, "insert into p values(?, ?)", {nullptr, 1LL}));
  // Wrong number of values: refused, nothing stored.
  EXPECT_FALSE(DbExecute(db_, "insert into p values(?, ?)", {"only one"}));
  ASSERT_TRUE(RsOpen(rs_, "select v from p where n = 7 order by rowid", db_));
  ASSERT_TRUE(RsRequery(rs_));
  auto rows = RsAllRows(rs_);
  ASSERT_EQ(rows.Rows(), 4);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(rows(r, 1), tricky[r - 1]);
  ASSERT_TRUE(RsOpen(rs_, "select count(*) from p where v = ?", db_, {"it's"}));
  ASSERT_TRUE(RsRequery(rs_));
  EXPECT_EQ(RsAllRows(rs_)(1, 1), "1");
}

TEST_F(DatabaseTest, AllRowsShapes) {
  EXPECT_EQ(RsRowCount(rs_), 0);
  ASSERT_TRUE(RsOpen(rs_, "select a, b, c from t order by b", db_));
  EXPECT_EQ(RsRowCount(rs_), 0);  // not counted before a requery
  EXPECT_TRUE(RsAllRows(rs_).Empty());
  ASSERT_TRUE(RsRequery(rs_));
  EXPECT_EQ(RsRowCount(rs_), 3);
  EXPECT_EQ(RsColumnCount(rs_), 3);

  auto plain = RsAllRows(rs_);
  EXPECT_EQ(plain.Dimensions(), 2);
  EXPECT_EQ(plain.Rows(), 3);
  EXPECT_EQ(plain.Columns(), 3);
  EXPECT_EQ(plain(1, 1), "x");
  EXPECT_EQ(plain(1, 2), "1");
  EXPECT_EQ(plain(1, 3), "");  // NULL
  EXPECT_EQ(plain(2, 3), "");  // empty
  EXPECT_EQ(plain(3, 3), "w");

  auto named = RsAllRows(rs_, true);
  EXPECT_EQ(named.Rows(), 4);
  EXPECT_EQ(named(1, 1), "a");
  EXPECT_EQ(named(1, 3), "c");
  EXPECT_EQ(named(2, 1), "x");
  EXPECT_EQ(named(4, 1), "z");
  // Reading twice gives the same, as the record set returns to its start.
  EXPECT_EQ(RsAllRows(rs_), plain);

  EXPECT_EQ(Rows("select a from t where b > 10"), 0);
  EXPECT_TRUE(RsAllRows(rs_, true).Empty());
}

TEST_F(DatabaseTest, RowsChangedSinceRequery) {
  ASSERT_TRUE(RsOpen(rs_, "select a from t order by b", db_));
  ASSERT_TRUE(RsRequery(rs_));
  ASSERT_TRUE(DbExecute(db_, "delete from t where b = 3"));
  auto fewer = RsAllRows(rs_);
  EXPECT_EQ(fewer.Rows(), 3);
  EXPECT_EQ(fewer(2, 1), "y");
  EXPECT_EQ(fewer(3, 1), "");
  EXPECT_EQ(RsRowCount(rs_), 2);  // counted again afterwards
}

TEST_F(DatabaseTest, FailuresLeaveHandlesUsable) {
  ASSERT_TRUE(RsOpen(rs_, "select a from t", db_));
  ASSERT_TRUE(RsRequery(rs_));
  EXPECT_FALSE(RsOpen(rs_, "select nothing from nowhere", db_));
  EXPECT_FALSE(rs_.IsOpen());
  EXPECT_EQ(RsRowCount(rs_), 0);
  EXPECT_EQ(RsColumnCount(rs_), 0);
  EXPECT_FALSE(RsRequery(rs_));
  EXPECT_TRUE(RsClose(rs_));
  EXPECT_EQ(Rows("select a from t"), 3);
  // Only the first statement of a text is prepared.
  EXPECT_EQ(Rows("select 1; delete from t"), 1);
  EXPECT_EQ(Rows("select a from t"), 3);
}

TEST_F(DatabaseTest, RequeryRunsSideEffects) {
  EXPECT_EQ(Rows("insert into t values('v', 9, null)"), 0);
  EXPECT_EQ(Rows("select a from t where b = 9"), 1);
}

TEST_F(DatabaseTest, CloseIsRefusedWhileAStatementIsOpen) {
  ASSERT_TRUE(RsOpen(rs_, "select a from t", db_));
  EXPECT_FALSE(DbClose(db_));
  EXPECT_TRUE(db_.IsOpen());
  ASSERT_TRUE(RsRequery(rs_));
  EXPECT_EQ(RsRowCount(rs_), 3);
  EXPECT_TRUE(RsClose(rs_));
  EXPECT_TRUE(DbClose(db_));
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_FALSE(RsOpen(rs_, "select a from t", db_));
}

TEST_F(DatabaseTest, ReopenWhileRecordSetHoldsOldStatement) {
  ASSERT_TRUE(RsOpen(rs_, "select a from t", db_));
  ASSERT_TRUE(DbOpen(db_, path_));
  // The old statement still works on its own connection until closed.
  ASSERT_TRUE(RsRequery(rs_));
  EXPECT_EQ(RsRowCount(rs_), 3);
  EXPECT_TRUE(RsClose(rs_));
}

TEST_F(DatabaseTest, InsertWaitsForAnotherProgramsBriefLock) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr),
            SQLITE_OK);
  std::thread release([other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
  });
  EXPECT_TRUE(DbExecute(db_, "insert into t values(?, 4, null)", {"late"}));
  release.join();
  sqlite3_close(other);
  EXPECT_EQ(Rows("select a from t where b = 4"), 1);
}

// The statements under one short wait, on any connection of the thread,
// share its one budget; the connection's own wait comes back after it.
TEST_F(DatabaseTest, AShortWaitIsOneBudgetForAllItsStatements) {
  using std::chrono::milliseconds;
  Database second;
  ASSERT_TRUE(DbOpen(second, path_));
  DbSetBusyWait(db_, 200);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr),
            SQLITE_OK);
  const auto took = [](const auto& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::steady_clock::now() - start;
  };
  const auto all = took([&] {
    const ShortBusyWait wait(db_, 400);
    EXPECT_FALSE(DbExecute(db_, "insert into t values('a', 5, null)"));
    EXPECT_FALSE(DbExecute(db_, "insert into t values('b', 6, null)"));
    const ShortBusyWait inner(second, 1000);
    EXPECT_FALSE(DbExecute(second, "insert into t values('c', 7, null)"));
  });
  EXPECT_GE(all, milliseconds(400));
  EXPECT_LT(all, milliseconds(800));  // each on its own: 1,800 ms
  const auto after = took([&] {
    EXPECT_FALSE(DbExecute(db_, "insert into t values('d', 8, null)"));
  });
  EXPECT_GE(after, milliseconds(200));
  EXPECT_LT(after, milliseconds(1000));
  sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

}  // namespace
}  // namespace dw
