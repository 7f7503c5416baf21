#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "round_fixture.h"
#include "store/post_history.h"

namespace dw::testing {
namespace {

using Texts = std::vector<std::string>;

// Two rounds of one rule over a page holding post 1 and 2 already stored:
// what comes between must not make them new again.
struct Recovery {
  const char* name;
  std::vector<PagePost> first_page;
  // Done to the loaded rule between the rounds.
  std::function<void(RuleTable&)> between;
  friend void PrintTo(const Recovery& r, std::ostream* os) { *os << r.name; }
};

class RecoveryTest : public RoundTest,
                     public ::testing::WithParamInterface<Recovery> {};

// Only the post that is really new is announced and stored, once.
TEST_P(RecoveryTest, PostsStoredBeforeAreNotAnnouncedAgain) {
  db_.AddInfo(Link("1"));
  db_.AddInfo(Link("2"));
  const std::string url = WritePage("list", ListPage(GetParam().first_page));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  RunRound();
  GetParam().between(state_.rule_table);
  WritePage("list", ListPage({{"3", "Three"}, {"2", "Two"}, {"1", "One"}}));
  RunRound();
  EXPECT_EQ(ReminderTitles(), (Texts{"Three"}));
  EXPECT_EQ(StoredUrls(), (Texts{Link("1"), Link("2"), Link("3")}));
}

INSTANTIATE_TEST_SUITE_P(
    Rounds, RecoveryTest,
    ::testing::Values(
        Recovery{"PageDownAtStart", {}, [](RuleTable&) {}},
        // The same links from a new template: the posts get new seen keys.
        Recovery{"EditedBetweenRounds",
                 {{"2", "Two"}, {"1", "One"}},
                 [](RuleTable& table) {
                   table.Cell(7, kRuleReg) =
                       "<li><a href=/(post/\\d+)>(.*?)</a>";
                   table.Cell(7, kRulePinurl) = "http://deals.example/[1]";
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<PagePost> Posts(int from, int to) {
  std::vector<PagePost> posts;
  for (int id = to; id >= from; --id) {
    posts.push_back({std::to_string(id), "title number " + std::to_string(id)});
  }
  return posts;
}

class DamagedHistoryTest : public RoundTest,
                           public ::testing::WithParamInterface<const char*> {};

// Random bytes in a full-text index's own table, as a bad sector leaves
// them, cost no post: every one is stored while the rounds run.
TEST_P(DamagedHistoryTest, ADamagedIndexStopsNoPost) {
  db_.AddRule(ListRule(7, "Alpha", WritePage("list", ListPage(Posts(1, 20)))));
  StartUp();
  ASSERT_TRUE(PrepareHistory(state_.database).search_index);
  RunRound();
  ASSERT_EQ(StoredUrls().size(), 20u);
  db_.Exec(std::string("UPDATE ") + GetParam() +
           " SET block = randomblob(length(block)) WHERE id > 1");
  for (int round = 1; round <= 3; ++round) {
    WritePage("list", ListPage(Posts(1, 20 + 20 * round)));
    RunRound();
  }
  EXPECT_EQ(StoredUrls().size(), 80u);
  EXPECT_TRUE(state_.history_write_damaged);  // the upkeep checks at once
}

INSTANTIATE_TEST_SUITE_P(Indexes, DamagedHistoryTest,
                         ::testing::Values("dw_post_search_data",
                                           "dw_post_pairs_data"));

}  // namespace
}  // namespace dw::testing
