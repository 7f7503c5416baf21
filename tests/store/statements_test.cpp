#include "store/statements.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/temp_dir.h"
#include "store/access.h"
#include "store/schema_text.h"

namespace dw {
namespace {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DbOpen(db_, dir_.File("qel6.sdb"), true));
    ASSERT_TRUE(ExecuteSql(db_, testing::SchemaText()));
  }

  dw::testing::TempDir dir_;
  Database db_;
  RecordSet rs_;
};

TEST_F(StoreTest, StoredPostKeepsQuotesAndGbkBytes) {
  StoredPost post{"Al'pha \"x\"", 4, "Tea's \xb2\xe8", "http://h/t?a='1'",
                  "12/6 02:37",   1};
  ASSERT_TRUE(StorePost(db_, post));
  // A value shaped to end the statement is stored as text.
  StoredPost hostile{"x", 5, "'); drop table info; --", "L", "1/1 12:00", 0};
  ASSERT_TRUE(StorePost(db_, hostile));
  const char* read =
      "select planname,planid,title,url,addtime,zt from info order by id";
  ASSERT_EQ(RunQuery(rs_, db_, read), 2);
  auto rows = RsAllRows(rs_);
  CloseQuery(rs_);
  EXPECT_EQ(rows(1, 1), post.planName);
  EXPECT_EQ(rows(1, 2), "4");
  EXPECT_EQ(rows(1, 3), post.title);
  EXPECT_EQ(rows(1, 4), post.url);
  EXPECT_EQ(rows(1, 5), "12/6 02:37");
  EXPECT_EQ(rows(1, 6), "1");
  EXPECT_EQ(rows(2, 3), hostile.title);
}

TEST_F(StoreTest, DuplicateCheckMatchesWholeLinkOnly) {
  ASSERT_TRUE(StorePost(db_, {"A", 1, "t", "http://h/t/123", "1/1 12:00", 0}));
  ASSERT_TRUE(StorePost(db_, {"A", 1, "t", "http://h/it's", "1/1 12:00", 0}));
  struct Case {
    const char* link;
    int expected;
  };
  const Case cases[] = {
      {"http://h/t/123", 1},
      {"http://h/t/12", 0},  // a shorter id inside a stored link
      {"http://h/t/1234", 0},
      {"HTTP://H/T/123", 0},  // links compare exactly
      {"http://h/t/%", 0},    // no pattern characters
      {"http://h/it's", 1},
      {"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CountStoredPosts(rs_, db_, c.link), c.expected) << c.link;
  }
  // The record set stays open; the next query closes it.
  EXPECT_TRUE(rs_.IsOpen());
  EXPECT_EQ(RunQuery(rs_, db_, "select * from info"), 2);
}

TEST_F(StoreTest, FailedStatementsAreSoft) {
  EXPECT_EQ(RunQuery(rs_, db_, "select * from missing"), 0);
  EXPECT_FALSE(rs_.IsOpen());
  EXPECT_TRUE(RsAllRows(rs_).Empty());
  EXPECT_FALSE(ExecuteSql(db_, "insert into missing values(1)"));
  CloseQuery(rs_);
  Database closed;
  EXPECT_EQ(CountStoredPosts(rs_, closed, "x"), 0);
  EXPECT_FALSE(StorePost(closed, {"A", 1, "t", "u", "1/1 12:00", 0}));
}

}  // namespace
}  // namespace dw
