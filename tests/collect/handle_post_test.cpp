#include "collect/handle_post.h"

#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "collect/program_state.h"
#include "recording_view.h"
#include "test_database.h"

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
        KeywordCase{"trailing space kept", {"tea "}, "tea", false}));

class HandlePostTest : public ::testing::Test {
 protected:
  HandlePostTest() {
    EXPECT_TRUE(DbOpen(state_.database, db_.path()));
    state_.first_round = true;
  }

  Post MakePost(int kind, std::string id) {
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

TEST_F(HandlePostTest, NoKeywordHitStoresZeroAndLeavesTitleUnmarked) {
  state_.keyword_list = {"coffee"};
  Handle(MakePost(0, "7"));
  ASSERT_EQ(view_.posts.size(), 1u);
  EXPECT_FALSE(view_.posts[0].keyword_hit);
  ASSERT_EQ(db_.Info().size(), 1u);
  EXPECT_EQ(db_.Info()[0].zt, "0");
  EXPECT_EQ(view_.reminders.size(), 1u);  // announced all the same
}

TEST_F(HandlePostTest, FirstRoundSkipsAPostWhoseLinkIsStored) {
  db_.AddInfo("http://127.0.0.1/post/4711");
  Handle(MakePost(0, "4711"));
  EXPECT_EQ(view_.posts.size(), 1u);  // listed
  EXPECT_TRUE(view_.reminders.empty());
  EXPECT_FALSE(view_.reminder_shown);
  EXPECT_EQ(db_.Info().size(), 1u);
}

TEST_F(HandlePostTest, DuplicateCheckComparesWholeLinks) {
  // A stored link that merely contains the id, or the link, is not this post.
  db_.AddInfo("http://127.0.0.1/post/123");
  db_.AddInfo("http://127.0.0.1/post/23/comments");
  db_.AddInfo("HTTP://127.0.0.1/POST/23");
  Handle(MakePost(0, "23"));
  EXPECT_EQ(view_.reminders.size(), 1u);
  ASSERT_EQ(db_.Info().size(), 4u);
  EXPECT_EQ(db_.Info()[3].url, "http://127.0.0.1/post/23");
}

TEST_F(HandlePostTest, NoDuplicateCheckForKindEightOrAfterTheFirstRound) {
  db_.AddInfo("http://127.0.0.1/post/5");
  db_.AddInfo("http://127.0.0.1/post/6");
  db_.AddInfo("http://127.0.0.1/post/9");
  Handle(MakePost(8, "5"));
  Handle(MakePost(9, "9"));
  state_.first_round = false;
  Handle(MakePost(0, "6"));
  EXPECT_EQ(view_.reminders.size(), 3u);
  EXPECT_EQ(db_.Info().size(), 6u);
}

TEST_F(HandlePostTest, StoresApostrophesAndQuotesAsTheyAre) {
  Post post = MakePost(0, "8");
  post.rule_name = "Bob's deals";
  post.title = "it's 50% off'); drop table info; --";
  post.link = "http://127.0.0.1/post/8?q='x'";
  Handle(post);
  const std::vector<InfoRow> info = db_.Info();
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0].planname, post.rule_name);
  EXPECT_EQ(info[0].title, post.title);
  EXPECT_EQ(info[0].url, post.link);

  // The same link in the first round is then found stored.
  Handle(post);
  EXPECT_EQ(db_.Info().size(), 1u);
}

TEST_F(HandlePostTest, NothingShowsOnceTheWorkerIsReplaced) {
  WorkerContext ctx{state_, view_, state_.collection_generation};
  HandlePost(ctx, MakePost(0, "1"));
  ++state_.collection_generation;  // a stop before the GUI thread ran them
  view_.Pump();
  EXPECT_TRUE(view_.posts.empty());
  EXPECT_TRUE(view_.reminders.empty());
}

TEST_F(HandlePostTest, RowsOfSeveralPostsEndWithTheLastHandledOnTop) {
  for (const char* id : {"3", "2", "1"}) Handle(MakePost(0, id));
  ASSERT_EQ(view_.posts.size(), 3u);
  EXPECT_EQ(view_.posts[0].title, "Tea 1");
  EXPECT_EQ(view_.posts[2].title, "Tea 3");
  ASSERT_EQ(view_.reminders.size(), 3u);
  EXPECT_EQ(view_.reminders[0].title, "Tea 1");
}

}  // namespace
}  // namespace dw
