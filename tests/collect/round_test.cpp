#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "collect/collect_texts.h"
#include "collect/saved_rules.h"
#include "collect/seen_ids.h"
#include "round_fixture.h"
#include "store/collect_settings.h"
#include "store/reminder_settings.h"

namespace dw::testing {
namespace {

using Titles = std::vector<std::string>;

const std::vector<PagePost> kThreePosts = {
    {"3", std::string(kGreenTea) + " 3"}, {"2", "Two"}, {"1", "One"}};

class CollectionRoundTest : public RoundTest {};

// The `isgbk` text, and whether the page is then taken as GBK.
struct Encoding {
  const char* isgbk;
  bool gbk;
  friend void PrintTo(const Encoding& e, std::ostream* os) {
    *os << "isgbk \"" << e.isgbk << "\"";
  }
};

class EncodingRoundTest : public RoundTest,
                          public ::testing::WithParamInterface<Encoding> {};

TEST_P(EncodingRoundTest, PostsAppearTopOfPageUppermost) {
  const bool gbk = GetParam().gbk;
  const std::string page = ListPage(kThreePosts);
  RuleRow rule =
      ListRule(7, "Alpha", WritePage("list", gbk ? page : GbkToUtf8(page)));
  rule.isgbk = GetParam().isgbk;
  db_.AddRule(rule);
  StartUp();
  RunRound();

  EXPECT_EQ(PostTitles(),
            (Titles{std::string(kGreenTea) + " 3", "Two", "One"}));
  ASSERT_EQ(view_.posts.size(), 3u);
  EXPECT_EQ(view_.posts[0].rule_id, "7");
  EXPECT_EQ(view_.posts[0].rule_name, "Alpha");
  EXPECT_EQ(view_.posts[0].link, Link("3"));
  EXPECT_EQ(ReminderTitles(), PostTitles());
  // Stored in the order handled: the bottom of the page first.
  EXPECT_EQ(StoredUrls(), (Titles{Link("1"), Link("2"), Link("3")}));
  EXPECT_EQ(db_.Info()[2].title, std::string(kGreenTea) + " 3");
  EXPECT_EQ(view_.statuses,
            (Titles{std::string(" ") + kStatusCollecting + "Alpha",
                    std::string(" ") + kStatusRoundDone}));
  EXPECT_EQ(view_.reminder_clears, 1);
  EXPECT_FALSE(state_.first_round);
}

INSTANTIATE_TEST_SUITE_P(Pages, EncodingRoundTest,
                         ::testing::Values(Encoding{"1", true},
                                           Encoding{"0", false},
                                           Encoding{"01", false},
                                           Encoding{" 1", false}),
                         [](const auto& info) {
                           return std::string(info.param.gbk ? "Gbk" : "Utf8") +
                                  std::to_string(info.index);
                         });

TEST_F(CollectionRoundTest, SecondRoundShowsOnlyWhatIsNewSinceTheFirst) {
  const std::string url = WritePage(
      "list", ListPage({{"123", "Old 123"}, {"2", "Stored 2"}, {"1", "One"}}));
  db_.AddRule(ListRule(9, "Beta", url));
  db_.AddInfo(Link("2"));   // stored by an earlier run
  db_.AddInfo(Link("23"));  // and this one too, but never seen on the page
  StartUp();

  RunRound();
  EXPECT_EQ(PostTitles(), (Titles{"Old 123", "Stored 2", "One"}));
  EXPECT_EQ(ReminderTitles(), (Titles{"Old 123", "One"}));
  EXPECT_EQ(StoredUrls(),
            (Titles{Link("2"), Link("23"), Link("1"), Link("123")}));

  WritePage("list", ListPage({{"4", "Four"},
                              {"23", "Twenty-three"},
                              {"123", "Old 123"},
                              {"2", "Stored 2"},
                              {"1", "One"}}));
  RunRound();
  // 23 is new although 123 was seen; outside the first round nothing is
  // checked against the stored links.
  EXPECT_EQ(PostTitles(),
            (Titles{"Four", "Twenty-three", "Old 123", "Stored 2", "One"}));
  EXPECT_EQ(ReminderTitles(), (Titles{"Four", "Twenty-three"}));
  EXPECT_EQ(StoredUrls(), (Titles{Link("2"), Link("23"), Link("1"), Link("123"),
                                  Link("23"), Link("4")}));
  EXPECT_EQ(view_.reminder_clears, 2);
}

// Forum thread numbers overlap between sites: a seen id hides a post only
// from rules that build the same links, so a thread listed on two boards of
// one site is announced once.
TEST_F(CollectionRoundTest, SeenIdsAreSharedOnlyByRulesBuildingTheSameLinks) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  RuleRow other_site = ListRule(8, "B", url);
  other_site.pinurl = "http://other.example/t/[1]";
  for (const RuleRow& rule :
       {ListRule(7, "A", url), other_site, ListRule(9, "A2", url)}) {
    db_.AddRule(rule);
  }
  StartUp();
  RunRound();
  WritePage("list", ListPage({{"5", "Five"}, {"1", "One"}}));
  RunRound();
  std::vector<std::string> links;
  for (const ReminderRow& row : view_.reminders) links.push_back(row.link);
  EXPECT_EQ(links, (Titles{"http://other.example/t/5", Link("5")}));
}

TEST_F(CollectionRoundTest, RoundsFollowEachOtherAfterTheRoundPause) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(8, "Gamma", url));
  StartUp();
  state_.pacing.round_pause_ms = 50;
  StartCollection(state_, view_);
  ASSERT_TRUE(view_.PumpUntil([&] { return RoundsDone() >= 3; },
                              std::chrono::seconds(60)));
  EndCollection(state_);
  view_.Pump();
  EXPECT_EQ(PostTitles(), (Titles{"One"}));
  EXPECT_GE(view_.reminder_clears, 3);
  EXPECT_TRUE(view_.reminders.empty());  // later rounds announced nothing
}

TEST_F(CollectionRoundTest, RulesSavedDuringARoundAreTakenByTheNextOne) {
  const std::string moved = WritePage("moved", ListPage({{"2", "Two"}}));
  db_.AddRule(
      ListRule(7, "Alpha", WritePage("list", ListPage({{"1", "One"}}))));
  StartUp();
  state_.pacing.round_pause_ms = 200;
  StartCollection(state_, view_);
  // Saved before the first round ended: that round keeps the rule it had.
  db_.Exec("update rule set name='Moved', url='" + moved + "' where id=7");
  AskForSavedRules(state_);
  ASSERT_TRUE(view_.PumpUntil([&] { return RoundsDone() >= 2; },
                              std::chrono::seconds(60)));
  EndCollection(state_);
  view_.Pump();
  const std::string collecting = std::string(" ") + kStatusCollecting;
  EXPECT_EQ(Titles(view_.statuses.begin(), view_.statuses.begin() + 3),
            (Titles{collecting + "Alpha", " " + RoundDoneStatus(200),
                    collecting + "Moved"}));
  EXPECT_EQ(PostTitles(), (Titles{"Two", "One"}));
  // No second first round: what the first one showed stays seen.
  EXPECT_TRUE(state_.seen_ids.Contains(SeenKey(Link("[1]"), "1")));
}

TEST_F(CollectionRoundTest, KindEightTakesIdsAboveTheLastIdAndKeepsTheAdvance) {
  const std::string url = WritePage(
      "list", ListPage({{"99", "n99"}, {"101", "n101"}, {"105", "n105"}}));
  RuleRow rule = ListRule(10, "Delta", url);
  rule.type = "8";
  rule.lastid = "100";
  db_.AddRule(rule);
  db_.AddInfo(Link("101"));  // listed, but found stored
  StartUp();

  RunRound();
  EXPECT_EQ(PostTitles(), (Titles{"n101", "n105"}));
  EXPECT_EQ(ReminderTitles(), (Titles{"n105"}));
  EXPECT_EQ(StoredUrls(), (Titles{Link("101"), Link("105")}));
  EXPECT_EQ(state_.rule_table.Cell(10, kRuleLastid), "105");

  RunRound();  // nothing above 105
  EXPECT_EQ(view_.posts.size(), 2u);
  EXPECT_EQ(state_.rule_table.Cell(10, kRuleLastid), "105");

  WritePage("list", ListPage({{"104", "n104"}, {"106", "n106"}}));
  RunRound();
  EXPECT_EQ(PostTitles(), (Titles{"n106", "n101", "n105"}));
  EXPECT_EQ(state_.rule_table.Cell(10, kRuleLastid), "106");

  // The advance lives in memory only: the file still says 100.
  ProgramState fresh;
  RecordingView tree;
  ASSERT_TRUE(DbOpen(fresh.database, db_.path()));
  LoadRules(fresh.database, fresh.record_set, fresh.rule_table, tree);
  EXPECT_EQ(fresh.rule_table.Cell(10, kRuleLastid), "100");
}

TEST_F(CollectionRoundTest, KindsOtherThanEightIgnoreTheLastId) {
  const std::string url =
      WritePage("list", ListPage({{"6", "n6"}, {"5", "n5"}}));
  RuleRow rule = ListRule(10, "Delta", url);
  rule.type = "9";
  rule.lastid = "100";
  db_.AddRule(rule);
  StartUp();
  RunRound();
  RunRound();  // seen since start-up
  EXPECT_EQ(PostTitles(), (Titles{"n6", "n5"}));
  EXPECT_EQ(state_.rule_table.Cell(10, kRuleLastid), "100");
}

TEST_F(CollectionRoundTest, RulesThatYieldNothingLetTheRoundGoOn) {
  const std::string good = WritePage("good", ListPage({{"1", "One"}}));
  const std::string runaway = WritePage(
      "runaway", "<ul class=\"posts\">" + std::string(4000, 'a') + "</ul>");
  RuleRow abandoned = ListRule(7, "Runaway", runaway);
  abandoned.reg = "(a+)+b";
  RuleRow rejected = ListRule(8, "Rejected", good);
  rejected.reg = "(<li>";
  RuleRow unreachable = ListRule(9, "Unreachable", "http://127.0.0.1:1/");
  RuleRow last = ListRule(11, "Last", good);
  for (const RuleRow& rule : {abandoned, rejected, unreachable, last}) {
    db_.AddRule(rule);
  }
  db_.Exec("delete from con");
  StartUp();
  RunRound();
  EXPECT_EQ(PostTitles(), (Titles{"One"}));
  ASSERT_EQ(db_.Info().size(), 1u);
  EXPECT_EQ(db_.Info()[0].planname, "Last");
  EXPECT_EQ(db_.Info()[0].zt, "0");
  EXPECT_EQ(CountStatus(kStatusRoundDone), 1);
  EXPECT_EQ(view_.statuses.size(), 5u);
}

TEST_F(CollectionRoundTest, KeywordsMarkPostsAndSetZt) {
  const std::string url =
      WritePage("list", ListPage({{"3", "Green TEA"},
                                  {"2", std::string(kGreenTea) + " sale"},
                                  {"1", kCoffee}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  db_.SetKeywords("tea\r\n" + std::string(kGreenTea));
  StartUp();
  RunRound();
  ASSERT_EQ(view_.posts.size(), 3u);
  EXPECT_TRUE(view_.posts[0].keyword_hit);
  EXPECT_TRUE(view_.posts[1].keyword_hit);
  EXPECT_FALSE(view_.posts[2].keyword_hit);
  const auto info = db_.Info();
  ASSERT_EQ(info.size(), 3u);
  EXPECT_EQ(info[0].zt, "0");  // coffee, stored first
  EXPECT_EQ(info[1].zt, "1");
  EXPECT_EQ(info[2].zt, "1");
  EXPECT_EQ(view_.reminders.size(), 3u);  // marked or not, all announced
}

TEST_F(CollectionRoundTest, ApostrophesInRuleNameAndPageAreHandled) {
  const std::string url =
      WritePage("list", ListPage({{"1", "it's &lt;50&#37;&gt; off"}}));
  db_.AddRule(ListRule(7, "Bob's deals", url));
  StartUp();
  RunRound();
  const auto info = db_.Info();
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0].planname, "Bob's deals");
  EXPECT_EQ(info[0].title, "it's <50%> off");
  EXPECT_EQ(view_.statuses.front(),
            std::string(" ") + kStatusCollecting + "Bob's deals");
}

TEST_F(CollectionRoundTest, GroupNumbersPickIdTitleAndEveryPlaceholder) {
  const std::string url =
      WritePage("list", ListPage({{"12", "A"}, {"34", "B"}}));
  RuleRow rule = ListRule(7, "Alpha", url);
  rule.reg = "<li>(<a href=/post/(\\d+)>)(.*?)</a>";
  rule.idindex = "2";
  rule.tindex = "0";
  rule.pinurl = "http://x/[2]?again=[2]&not=[1]";
  db_.AddRule(rule);
  StartUp();
  RunRound();
  ASSERT_EQ(view_.posts.size(), 2u);
  EXPECT_EQ(view_.posts[0].link, "http://x/12?again=12&not=[1]");
  EXPECT_EQ(view_.posts[0].title, "A");  // the markup is not shown
}

TEST_F(CollectionRoundTest, OnlyTickedRulesWithARowAreWalkedInTreeOrder) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  RuleRow first = ListRule(13, "First", url);
  first.rank = "9";
  RuleRow second = ListRule(14, "Second", url);
  second.rank = "5";
  RuleRow unticked = ListRule(15, "Unticked", url);
  unticked.isdo = "0";
  for (const RuleRow& rule : {second, unticked, first}) db_.AddRule(rule);
  StartUp();
  view_.AddRuleTreeItem("Outside", 10000, 1);
  view_.AddRuleTreeItem("Zero", 0, 1);
  RunRound();
  EXPECT_EQ(view_.statuses,
            (Titles{std::string(" ") + kStatusCollecting + "First",
                    std::string(" ") + kStatusCollecting + "Second",
                    std::string(" ") + kStatusRoundDone}));
  EXPECT_EQ(state_.chosen_rules, (ChosenRules{13, 14}));
}

TEST(StatusTextTest, ReadAsWritten) {
  EXPECT_EQ(GbkToUtf8(kStatusCollecting), "开始采集 ");
  EXPECT_EQ(GbkToUtf8(kStatusRoundDone),
            "本轮执行完毕，下一波将在150s后采集..");
  EXPECT_EQ(RoundDoneStatus(150 * 1000), kStatusRoundDone);
  EXPECT_EQ(GbkToUtf8(RoundDoneStatus(45 * 1000)),
            "本轮执行完毕，下一波将在45s后采集..");
}

// The pause and back-off the user saved come with the next reload; a file
// where they were never saved keeps the pacing the program has.
TEST_F(CollectionRoundTest, SavedPacingIsTakenWithTheRules) {
  StartUp();
  ASSERT_TRUE(ReloadSavedRules(state_));
  EXPECT_EQ(state_.pacing.round_pause_ms, 150 * 1000);
  ASSERT_TRUE(SaveCollectSettings(state_.database, {45, true}));
  ASSERT_TRUE(ReloadSavedRules(state_));
  EXPECT_EQ(state_.pacing.round_pause_ms, 45 * 1000);
  EXPECT_TRUE(state_.pacing.back_off);
  ASSERT_TRUE(WriteSetting(state_.database, "round_pause_seconds", "5"));
  ASSERT_TRUE(ReloadSavedRules(state_));
  EXPECT_EQ(state_.pacing.round_pause_ms, kLeastRoundPauseSeconds * 1000);
  // A save refused half-way (at its second value) keeps the first as it was.
  ASSERT_TRUE(DbExecute(state_.database,
                        "CREATE TRIGGER refuse BEFORE INSERT ON dw_setting "
                        "WHEN new.key = 'back_off' BEGIN "
                        "SELECT RAISE(ABORT, 'no'); END"));
  EXPECT_FALSE(SaveCollectSettings(state_.database, {90, false}));
  EXPECT_EQ(ReadSetting(state_.database, "round_pause_seconds"), "5");
}

TEST_F(CollectionRoundTest, NoTickedRuleMeansJustTheEndOfRound) {
  StartUp();
  RunRound();
  EXPECT_EQ(view_.statuses, (Titles{std::string(" ") + kStatusRoundDone}));
  EXPECT_EQ(view_.reminder_clears, 1);
  EXPECT_FALSE(state_.first_round);
}

}  // namespace
}  // namespace dw::testing
