// A page that did not change since the rule's last good run costs its
// headers only: the validators go with the request, a 304 (or the same
// bytes) ends the run before any parsing, and nothing is written.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "collect/saved_rules.h"
#include "round_fixture.h"
#include "store/rule_row.h"

namespace dw::testing {
namespace {

class ConditionalFetchTest : public RoundTest {
 protected:
  // One rule's run as a round makes it, on this thread.
  RuleReport Run() {
    WorkerContext ctx{state_, view_, state_.collection_generation};
    const RuleReport report = RunRule(ctx, 7);
    NoteRuleRun(ctx, report);
    state_.first_round = false;
    view_.Pump();
    return report;
  }
  int Changes() { return sqlite3_total_changes(state_.database.Handle()); }
};

TEST_F(ConditionalFetchTest,
       AnUnchangedPageIsNotParsedOrStoredAndAChangedOneIs) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  const RuleReport first = Run();
  ASSERT_EQ(first.posts.stored, 1);
  EXPECT_FALSE(first.fetch.unchanged);

  // nginx gives an ETag and a date; sent back, they bring a bare 304.
  const int changes = Changes();
  const RuleReport again = Run();
  EXPECT_EQ(again.fetch.status, 304);
  EXPECT_TRUE(again.fetch.unchanged);
  EXPECT_EQ(again.failed_step, FailedStep::kNone);
  EXPECT_FALSE(again.pattern.compiled);  // the pattern never ran
  EXPECT_EQ(Changes() - changes, 1);     // the health row only
  EXPECT_EQ(state_.health[7].last->pattern.matches, 1);  // as last read

  // A server that gives no validators: the same bytes end the run alike.
  state_.validators[7].etag.clear();
  state_.validators[7].last_modified.clear();
  const RuleReport same = Run();
  EXPECT_EQ(same.fetch.status, 200);
  EXPECT_TRUE(same.fetch.unchanged);

  // A new post changes the page (and its size, so the ETag too).
  WritePage("list", ListPage({{"2", "Two"}, {"1", "One"}}));
  const RuleReport changed = Run();
  EXPECT_EQ(changed.fetch.status, 200);
  EXPECT_FALSE(changed.fetch.unchanged);
  EXPECT_EQ(changed.posts.stored, 1);
  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{Link("1"), Link("2")}));

  // An edit of the rule reads the page whole again, however unchanged.
  RuleRow edited = ListRule(7, "Alpha", url);
  edited.reg = "<li><a href=/post/(\\d+)>(T.*?)</a>";
  ASSERT_TRUE(SaveRuleRows(state_.database, {edited}));
  ASSERT_TRUE(ReloadSavedRules(state_));
  const RuleReport reread = Run();
  EXPECT_FALSE(reread.fetch.unchanged);
  EXPECT_EQ(reread.pattern.matches, 1);

  // A start reads every page whole, as its first-round check needs.
  RunRound();
  EXPECT_EQ(state_.health[7].last->fetch.status, 200);
}

}  // namespace
}  // namespace dw::testing
