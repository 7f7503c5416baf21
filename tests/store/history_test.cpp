#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/temp_dir.h"
#include "store/history_catch_up.h"
#include "store/history_search.h"
#include "store/post_history.h"
#include "store/post_time.h"
#include "store/schema_text.h"
#include "store/statements.h"
#include "text/page_text.h"

namespace dw {
namespace {

std::int64_t At(int year, int month, int day, int hour, int minute,
                int second = 0) {
  return UnixTimeOf(FromCalendarTime({year, month, day, hour, minute, second}));
}

// Stored posts in GBK; searched in UTF-8.
const char kTea[] = "\xb2\xe8";                              // 茶
const char kGreenTea[] = "\xc2\xcc\xb2\xe8\xd2\xb6";         // 绿茶叶
const char kPhone[] = "iPhone 15 \xca\xd6\xbb\xfa\xbf\xc7";  // iPhone 15 手机壳

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DbOpen(db_, dir_.File("qel6.sdb"), true));
    ASSERT_TRUE(DbExecute(db_, testing::SchemaText()));
  }

  // Posts as an older version (or another program) stored them: info only.
  void StoreWithoutHistory(const StoredPost& post) {
    ASSERT_TRUE(DbExecute(
        db_, kInsertPostStatement,
        {post.planName, static_cast<long long>(post.planId), post.title,
         post.url, post.addTime, static_cast<long long>(post.zt)}));
  }

  dw::testing::TempDir dir_;
  Database db_;
};

TEST(PostTime, AddTimeTextsBecomeMoments) {
  const std::int64_t now = At(2026, 12, 7, 15, 0);
  struct Case {
    const char* text;
    std::optional<std::int64_t> expected;
  };
  const Case cases[] = {
      {"12/7 13:41", At(2026, 12, 7, 13, 41)},
      {"12/7 13:05", At(2026, 12, 7, 13, 5)},  // the hour just read
      {"12/7 13:60", std::nullopt},
      {"12/7 15:01", At(2025, 12, 7, 15, 1)},  // not yet this year
      {"1/5 00:07", At(2026, 1, 5, 0, 7)},
      {"2/29 10:00", At(2024, 2, 29, 10, 0)},
      {"2026/3/1 09:05", At(2026, 3, 1, 9, 5)},
      {"2026-12-07T13:41:05", At(2026, 12, 7, 13, 41, 5)},
      {"2/30 10:00", std::nullopt},
      {"12/7 24:00", std::nullopt},
      {"12/7", std::nullopt},
      {"12/7 13:41 ", std::nullopt},
      {"", std::nullopt},
  };
  AddTimeReader reader(now);  // one for all, as the catch-up reads
  for (const auto& c : cases) {
    EXPECT_EQ(reader.Read(c.text), c.expected) << c.text;
    EXPECT_EQ(ParseAddTime(c.text, now), c.expected) << c.text;
  }
  EXPECT_EQ(IsoLocalTime(At(2026, 12, 7, 13, 41)), "2026-12-07T13:41:00");
}

TEST_F(HistoryTest, SearchFindsChineseMixedAndShortWordsWithAndWithoutIndex) {
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  const std::int64_t day = At(2026, 12, 7, 12, 0);
  ASSERT_TRUE(StorePost(
      db_, {"C", 3, Utf8ToGbk("ДЖИНСЫ éclair"), "L0", "", 0, day - 90000}));
  ASSERT_TRUE(StorePost(db_, {"A", 1, kGreenTea, "L1", "", 0, day - 86400}));
  ASSERT_TRUE(StorePost(db_, {"B", 2, kPhone, "L2", "", 1, day}));
  ASSERT_TRUE(StorePost(db_, {"A", 1, kTea, "L3", "", 1, day + 60}));
  ASSERT_TRUE(StorePost(db_, {"A", 1, Utf8ToGbk("100% pure \U0001F525"), "L4",
                              "", 0, day + 120}));
  const std::int64_t site_a = HistorySites(db_).front().id;
  struct Case {
    HistoryFilter filter;
    std::vector<std::string> expected;  // newest first
  };
  const std::vector<Case> cases = {
      {{""}, {"L4", "L3", "L2", "L1", "L0"}},
      {{"绿茶叶"}, {"L1"}},
      {{"茶"}, {"L3", "L1"}},
      {{"手机"}, {"L2"}},
      {{"IPHONE"}, {"L2"}},
      {{"phone 15 手"}, {"L2"}},  // every word
      {{"15 手机壳"}, {"L2"}},
      {{"0%"}, {"L4"}},          // pattern characters taken literally
      {{"\U0001F525"}, {"L4"}},  // beyond GBK
      {{"茶 叶"}, {"L1"}},
      {{"茶\u3000叶\u00a0绿"}, {"L1"}},  // wide and no-break spaces
      {{"дж É"}, {"L0"}},                // short words in any case
      {{std::string("pure\0 100", 9)}, {"L4"}},
      {{"5手"}, {}},  // a space between
      {{"\"pure"}, {}},
      {{"红茶叶"}, {}},
      {{"phone", site_a}, {}},
      {{"", site_a, true}, {"L3"}},
      {{"", std::nullopt, false, day, day + 61}, {"L3", "L2"}},
  };
  for (const auto& c : cases) {
    HistoryFilter pairs = c.filter;
    pairs.pairs_complete = true;
    HistoryFilter scan = c.filter;
    scan.use_index = false;
    for (const HistoryFilter& f : {pairs, c.filter, scan}) {
      std::vector<std::string> links;
      const auto posts = FindHistory(db_, f);
      for (const auto& post : posts.value()) links.push_back(post.link);
      EXPECT_EQ(links, c.expected) << f.text << " index " << f.use_index;
      EXPECT_EQ(CountHistory(db_, f),
                static_cast<std::int64_t>(c.expected.size()));
    }
  }
  // Pages follow on from the last id shown.
  const auto first = FindHistory(db_, {""}, INT64_MAX, 3).value();
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[1].title, "\xe8\x8c\xb6");  // 茶 in UTF-8
  EXPECT_EQ(first[1].site, "A");
  EXPECT_EQ(first[1].fetched_at, day + 60);
  EXPECT_TRUE(first[1].hit);
  const auto rest = FindHistory(db_, {""}, first.back().id, 3).value();
  ASSERT_EQ(rest.size(), 2u);
  EXPECT_EQ(rest[0].link, "L1");
}

// Random titles and words over letters of both cases, 'z' that the index
// writes specially, signs, spaces and characters beyond ASCII.
TEST_F(HistoryTest, ShortWordIndexFindsWhatTheScanFinds) {
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  const std::vector<std::string> alphabet = {"a", "Z",  "z",  "5", "%",  "\"",
                                             " ", "茶", "叶", "é", "Ｚ", "、"};
  std::mt19937 random(3);
  auto text = [&](int length) {
    std::string out;
    for (int k = 0; k < length; ++k) out += alphabet[random() % 12];
    return out;
  };
  for (int id = 0; id < 300; ++id) {
    ASSERT_TRUE(StorePost(db_, {"A", 1, Utf8ToGbk(text(1 + id % 7)),
                                std::to_string(id), "", 0, 1}));
  }
  for (int k = 0; k < 400; ++k) {
    HistoryFilter filter{text(1 + k % 2)};
    HistoryFilter scan = filter;
    filter.pairs_complete = true;
    scan.use_index = false;
    const auto found = FindHistory(db_, filter).value();
    const auto scanned = FindHistory(db_, scan).value();
    ASSERT_EQ(found.size(), scanned.size()) << filter.text;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].id, scanned[i].id) << filter.text;
    }
    EXPECT_EQ(CountHistory(db_, filter), CountHistory(db_, scan));
  }
  // The index was asked: emptied, it finds nothing.
  ASSERT_TRUE(DbExecute(
      db_, "INSERT INTO dw_post_pairs(dw_post_pairs) VALUES('delete-all')"));
  HistoryFilter tea{"茶"};
  tea.pairs_complete = true;
  EXPECT_EQ(CountHistory(db_, tea), 0);
}

TEST_F(HistoryTest, CatchUpFillsRowsStoredWithoutHistoryWhileOthersInsert) {
  const std::int64_t now = At(2026, 12, 7, 15, 0);
  for (int i = 1; i <= 7; ++i) {
    StoreWithoutHistory(
        {"A", 1, kGreenTea, "old" + std::to_string(i), "12/6 13:41", 0});
  }
  ASSERT_TRUE(PrepareHistory(db_).tables);
  // Another program inserts into info between the batches.
  Database other;
  ASSERT_TRUE(DbOpen(other, dir_.File("qel6.sdb")));
  int batches = 0;
  auto other_inserts = [&] {
    if (++batches <= 3) {
      EXPECT_TRUE(DbExecute(
          other, kInsertPostStatement,
          {"B", 2LL, kTea, "new" + std::to_string(batches), "bad time", 1LL}));
    }
    return false;
  };
  const CatchUpResult result = CatchUpHistory(db_, other_inserts, 3, now);
  EXPECT_TRUE(result.all_indexed);
  EXPECT_EQ(result.added, 10);
  EXPECT_EQ(CountHistory(db_, {"绿茶叶"}), 7);
  const auto posts = FindHistory(db_, {"茶"}).value();
  ASSERT_EQ(posts.size(), 10u);
  EXPECT_EQ(posts.back().fetched_at, At(2026, 12, 6, 13, 41));
  EXPECT_EQ(posts.back().link, "old1");
  EXPECT_EQ(posts.front().fetched_at, 0);  // its time could not be read
  EXPECT_EQ(CatchUpHistory(db_, nullptr, 3, now).added, 0);
  // Asked to stop, it leaves the rest for later.
  StoreWithoutHistory({"A", 1, kTea, "late", "12/7 14:00", 0});
  EXPECT_FALSE(CatchUpHistory(
                   db_, [] { return true; }, 3, now)
                   .all_indexed);
}

TEST_F(HistoryTest, RefusedHistoryRowsKeepThePostAndAreCaughtUpLater) {
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  // Refused half-way: after the site's row was added.
  ASSERT_TRUE(DbExecute(db_,
                        "CREATE TRIGGER refuse BEFORE INSERT ON dw_post "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));
  ASSERT_TRUE(StorePost(db_, {"New site", 1, kTea, "L1", "12/7 13:41", 0}));
  EXPECT_EQ(CountHistory(db_, {""}), 0);
  EXPECT_TRUE(HistorySites(db_).empty());
  ASSERT_TRUE(DbExecute(db_, "DROP TRIGGER refuse"));
  EXPECT_EQ(CatchUpHistory(db_, nullptr, 100, UnixNow()).added, 1);
  EXPECT_EQ(FindHistory(db_, {"茶"}).value().at(0).link, "L1");
  // A post the database refuses is stored nowhere, in a batch of the
  // caller's too, and leaves no transaction open.
  ASSERT_TRUE(DbExecute(db_, "BEGIN"));
  ASSERT_TRUE(DbExecute(db_, "DROP TABLE info"));
  EXPECT_FALSE(StorePost(db_, {"A", 1, kTea, "L2", "12/7 13:41", 0}));
  ASSERT_TRUE(DbExecute(db_, "ROLLBACK"));
  EXPECT_EQ(CountHistory(db_, {""}), 1);
  EXPECT_TRUE(StorePost(db_, {"A", 1, kTea, "L3", "12/7 13:41", 0}));
  EXPECT_EQ(CountHistory(db_, {"茶"}), 2);
}

TEST_F(HistoryTest, CatchUpGivesOlderEntriesTheirShortWordsAllOrNothing) {
  // Entries stored before the short-word index existed.
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  ASSERT_TRUE(DbExecute(db_, "DROP TABLE dw_post_pairs"));
  for (const char* link : {"old1", "old2", "old3"}) {
    ASSERT_TRUE(StorePost(db_, {"A", 1, kGreenTea, link, "12/7 13:41", 0}));
  }
  // A words table that refuses: the post is kept, its entry waits.
  ASSERT_TRUE(DbExecute(db_,
                        "CREATE TABLE dw_post_pairs(pairs);"
                        "CREATE TRIGGER refuse BEFORE INSERT ON dw_post_pairs "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));
  ASSERT_TRUE(StorePost(db_, {"A", 1, kTea, "new1", "12/7 13:41", 0}));
  StoreWithoutHistory({"B", 2, kTea, "new2", "12/7 13:42", 0});
  const std::int64_t now = At(2026, 12, 7, 15, 0);
  // Refused at the words, a batch adds no entry either.
  EXPECT_FALSE(CatchUpHistory(db_, nullptr, 100, now).all_indexed);
  EXPECT_EQ(CountHistory(db_, {"茶"}), 3);
  ASSERT_TRUE(DbExecute(db_, "DROP TABLE dw_post_pairs"));
  {
    // Held elsewhere, the file cannot take the new index: said as such.
    Database other;
    ASSERT_TRUE(DbOpen(other, dir_.File("qel6.sdb")));
    ASSERT_TRUE(DbExecute(other, "BEGIN IMMEDIATE"));
    DbSetBusyWait(db_, 10);
    const HistorySetUp held = PrepareHistory(db_);
    EXPECT_TRUE(held.tables);
    EXPECT_FALSE(held.search_index);
    EXPECT_NE(held.problem.find("忙"), std::string::npos) << held.problem;
  }
  ASSERT_TRUE(PrepareHistory(db_).search_index);
  const CatchUpResult result = CatchUpHistory(db_, nullptr, 2, now);
  EXPECT_TRUE(result.all_indexed);
  EXPECT_EQ(result.added, 2);
  HistoryFilter tea{"茶"};
  tea.pairs_complete = true;
  EXPECT_EQ(CountHistory(db_, tea), 5);
  EXPECT_EQ(CatchUpHistory(db_, nullptr, 2, now).added, 0);
  EXPECT_EQ(CountHistory(db_, tea), 5);
}

}  // namespace
}  // namespace dw
