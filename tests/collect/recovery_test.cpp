#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "round_fixture.h"

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

}  // namespace
}  // namespace dw::testing
