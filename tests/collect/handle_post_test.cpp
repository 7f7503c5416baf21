#include "collect/handle_post.h"

#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "collect/program_state.h"
#include "collect/rule_settled.h"
#include "recording_view.h"
#include "runtime/delay.h"
#include "runtime/threads.h"
#include "test_database.h"
#include "text/page_text.h"

namespace dw {
namespace {

using testing::InfoRow;
using testing::RecordingView;
using testing::TestDatabase;

struct KeywordCase {
  const char* what;
  KeywordList keywords;
  std::string title;
  bool hit;
  friend void PrintTo(const KeywordCase& c, std::ostream* os) { *os << c.what; }
};

class HasKeywordTest : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(HasKeywordTest, MarksTitlesHoldingAKeyword) {
  EXPECT_EQ(HasKeyword(GetParam().title, GetParam().keywords), GetParam().hit)
      << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, HasKeywordTest,
    ::testing::Values(
        KeywordCase{"no keywords", {}, "Tea", false},
        KeywordCase{"both present", {"a", "b"}, "ab", true},
        KeywordCase{"second one", {"zz", "ea"}, "Tea", true},
        KeywordCase{"ascii folds", {"tea"}, "GREEN TEA", true},
        KeywordCase{"upper keyword", {"TEA"}, "green tea", true},
        KeywordCase{"full-width letter does not fold",
                    {"\xA3\xC1"},  // Ａ
                    "A",
                    false},
        KeywordCase{"full-width letter in either case",
                    {"\xA3\xC1"},  // Ａ
                    "\xA3\xE1",    // ａ
                    false},
        KeywordCase{"gbk keyword", {"\xB2\xE8"}, "\xC2\xCC\xB2\xE8", true},
        KeywordCase{"no match across a double-byte character",
                    {"\xE8\xC2"},
                    "\xB2\xE8\xC2\xCC",
                    false},
        KeywordCase{"empty keyword, non-empty title", {""}, "x", true},
        KeywordCase{"empty keyword, empty title", {""}, "", false},
        KeywordCase{"trailing space kept", {"tea "}, "tea", false},
        // Characters outside GBK keep their own bytes, so one is not another.
        KeywordCase{"emoji keyword",
                    {Utf8ToGbk("\xF0\x9F\x94\xA5")},  // 🔥
                    Utf8ToGbk("Sale \xF0\x9F\x94\xA5 today"),
                    true},
        KeywordCase{"another emoji",
                    {Utf8ToGbk("\xF0\x9F\x94\xA5")},
                    Utf8ToGbk("Sale \xF0\x9F\x8E\x89"),  // 🎉
                    false}));

class HandlePostTest : public ::testing::Test {
 protected:
  HandlePostTest() {
    EXPECT_TRUE(DbOpen(state_.database, db_.path()));
    state_.first_round = true;
  }

  static Post MakePost(int kind, std::string id) {
    Post post;
    post.rule_id = 4;
    post.rule_name = "Alpha";
    post.kind = kind;
    post.id = id;
    post.title = "Tea " + id;
    post.link = "http://127.0.0.1/post/" + id;
    return post;
  }

  bool Handle(const Post& post) {
    WorkerContext ctx{state_, view_, state_.collection_generation};
    const bool done = HandlePost(ctx, post);
    view_.Pump();
    return done;
  }

  TestDatabase db_;
  ProgramState state_;
  RecordingView view_;
};

TEST_F(HandlePostTest, ListsAnnouncesAndStoresANewPost) {
  state_.keyword_list = {"tea"};
  EXPECT_TRUE(Handle(MakePost(0, "7")));

  ASSERT_EQ(view_.posts.size(), 1u);
  const PostRow& row = view_.posts[0];
  EXPECT_EQ(row.rule_id, "4");
  EXPECT_EQ(row.link, "http://127.0.0.1/post/7");
  EXPECT_EQ(row.rule_name, "Alpha");
  EXPECT_EQ(row.title, "Tea 7");
  EXPECT_TRUE(std::regex_match(row.fetch_time,
                               std::regex(R"(\d{1,2}/\d{1,2} \d\d:\d\d)")));
  EXPECT_TRUE(row.keyword_hit);

  ASSERT_EQ(view_.reminders.size(), 1u);
  EXPECT_EQ(view_.reminders[0].title, "Tea 7");
  EXPECT_EQ(view_.reminders[0].link, row.link);
  EXPECT_TRUE(view_.reminder_shown);

  const std::vector<InfoRow> info = db_.Info();
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0].planname, "Alpha");
  EXPECT_EQ(info[0].planid, "4");
  EXPECT_EQ(info[0].title, "Tea 7");
  EXPECT_EQ(info[0].url, row.link);
  EXPECT_TRUE(std::regex_match(info[0].addtime,
                               std::regex(R"(\d{1,2}/\d{1,2} \d\d:\d\d)")));
  EXPECT_EQ(info[0].zt, "1");
}

struct DuplicateCase {
  const char* what;
  bool first_round;
  int kind;
  bool announced;
};

// Only the first round checks the stored links, for every kind (a last id
// advanced in memory is gone after a restart); a post found stored is
// listed but neither announced nor stored again.
TEST_F(HandlePostTest, FirstRoundChecksStoredLinksForEveryKind) {
  const DuplicateCase cases[] = {
      {"first round, kind 0", true, 0, false},
      {"first round, kind 7", true, 7, false},
      {"first round, kind 8", true, 8, false},
      {"first round, kind 9", true, 9, false},
      {"later round, kind 0", false, 0, true},
  };
  for (const DuplicateCase& c : cases) {
    SCOPED_TRACE(c.what);
    TestDatabase db;
    db.AddInfo("http://127.0.0.1/post/4711");
    ProgramState state;
    ASSERT_TRUE(DbOpen(state.database, db.path()));
    state.first_round = c.first_round;
    // A later round of a rule that ran well as it stands.
    RuleReport ran;
    ran.rule_id = MakePost(c.kind, "4711").rule_id;
    if (!c.first_round) NoteRuleSettled(state, ran);
    RecordingView view;
    WorkerContext ctx{state, view, state.collection_generation};
    EXPECT_TRUE(HandlePost(ctx, MakePost(c.kind, "4711")));
    view.Pump();
    EXPECT_EQ(view.posts.size(), 1u);
    EXPECT_EQ(view.reminders.size(), c.announced ? 1u : 0u);
    EXPECT_EQ(view.reminder_shown, c.announced);
    EXPECT_EQ(db.Info().size(), c.announced ? 2u : 1u);
  }
}

TEST_F(HandlePostTest, APauseBeforeTheInsertLeavesNothingOfThePost) {
  bool done = true;
  ThreadHandle worker;
  ASSERT_TRUE(StartThread(
      [&] {
        while (!StopRequested()) Delay(1000);
        WorkerContext ctx{state_, view_, state_.collection_generation};
        done = HandlePost(ctx, MakePost(0, "7"));
      },
      &worker));
  EndThread(worker);
  ASSERT_TRUE(JoinThread(worker));
  view_.Pump();
  EXPECT_FALSE(done);
  EXPECT_TRUE(view_.posts.empty());
  EXPECT_TRUE(view_.reminders.empty());
  EXPECT_TRUE(db_.Info().empty());
}

}  // namespace
}  // namespace dw
