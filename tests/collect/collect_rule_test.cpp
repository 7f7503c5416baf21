#include "collect/collect_rule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "counting_server.h"
#include "net/http_request.h"
#include "recording_view.h"
#include "round_fixture.h"

namespace dw::testing {
namespace {

struct FetchCase {
  const char* what;
  std::string page;
  int requests;
  std::size_t posts;
};

// An empty cut (a missing marker, nothing between the markers, no page) is
// fetched again at once, three times in all; a page with posts once.
TEST(CollectRuleTest, FetchesUntilTheCutPageHoldsSomethingThreeTimesAtMost) {
  using namespace std::string_literals;
  const FetchCase cases[] = {
      {"posts", ListPage({{"1", "One"}}), 1, 1},
      {"no end marker", "<ul class=\"posts\"><li><a href=\"/post/1\">x</a>", 3,
       0},
      {"no start marker", "<li><a href=\"/post/1\">x</a></li></ul>", 3, 0},
      {"nothing between", "<ul class=\"posts\"></ul>", 3, 0},
      {"empty body", "", 3, 0},
      {"zero byte before the end marker",
       "<ul class=\"posts\"><li><a href=\"/post/1\">x</a>\0</ul>"s, 1, 1},
  };
  for (const FetchCase& c : cases) {
    SCOPED_TRACE(c.what);
    CountingServer server(c.page);
    ProgramState state;
    PutRule(state.rule_table, ListRule(7, "Alpha", server.Url()));
    RecordingView view;
    WorkerContext ctx{state, view, 0};
    CollectRule(ctx, 7);
    view.Pump();
    EXPECT_EQ(server.Requests(), c.requests);
    EXPECT_EQ(view.posts.size(), c.posts);
  }
}

// Only the title is decoded: an id or a link template holding an entity is
// kept byte for byte as the page and the rule have it.
TEST(CollectRuleTest, IdsAndLinksKeepTheirEntities) {
  RuleRow row = ListRule(7, "Alpha", "http://127.0.0.1:1/");
  row.reg = "<li><a href=/post/([^>]+)>(.*?)</a>";
  row.pinurl = "http://deals.example/?a=1&amp;t=[1]";
  const ChainRule rule = ChainRuleFromRow(row);
  RuleReport report;
  const ChainPage page =
      RunRuleChain(rule, ListPage({{"7&amp;8", "Tea &amp; cake"}}), report);
  ASSERT_EQ(page.matches.size(), 1u);
  const FoundPost post = PostOfMatch(rule, page.matches[0], page);
  EXPECT_EQ(post.id, "7&amp;8");
  EXPECT_EQ(post.link, "http://deals.example/?a=1&amp;t=7&amp;8");
  EXPECT_EQ(post.title, "Tea & cake");
}

struct PauseCase {
  const char* what;
  std::int64_t last_id;
  std::vector<std::int64_t> handled;
  std::vector<std::int64_t> unhandled;
  std::int64_t kept;
};

TEST(CollectRuleTest, APauseRaisesTheLastIdOnlyPastWhatWasHandled) {
  const PauseCase cases[] = {
      {"oldest first, as pages list them", 100, {101, 102}, {103, 104}, 102},
      {"nothing handled", 100, {}, {101}, 100},
      {"a lower id still to come", 100, {101, 105}, {103}, 101},
      {"the same id again further up", 100, {101}, {101, 102}, 100},
      {"nothing new left", 100, {101, 105}, {99, 100}, 105},
  };
  for (const PauseCase& c : cases) {
    EXPECT_EQ(LastIdAfterPause(c.last_id, c.handled, c.unhandled), c.kept)
        << c.what;
  }
}

struct CleanUpCase {
  int rule_id;
  std::string page;
  std::string cleaned;
  friend void PrintTo(const CleanUpCase& c, std::ostream* os) {
    *os << "rule " << c.rule_id;
  }
};

class SiteCleanUpTest : public ::testing::TestWithParam<CleanUpCase> {};

TEST_P(SiteCleanUpTest, ChosenByRuleId) {
  EXPECT_EQ(SiteCleanUp(GetParam().rule_id, GetParam().page),
            GetParam().cleaned);
}

INSTANTIATE_TEST_SUITE_P(
    RuleIds, SiteCleanUpTest,
    ::testing::Values(
        CleanUpCase{3,
                    "<IMG SRC=a.png /><a>x</A><span class=tps>1</span>"
                    "[<span class=xw1>t</span>]",
                    "<a>x[t]"},
        CleanUpCase{1, "<a>x</a>", "<a>x"},
        CleanUpCase{12, "<FONT color=red>x</font></FONT>", "x</FONT>"},
        CleanUpCase{6, "fid=4217&x=42174217", "fid=4305&x=43054305"},
        CleanUpCase{7, "<a>x</a><font>4217", "<a>x</a><font>4217"},
        CleanUpCase{13, "<img src=a />", "<img src=a />"}));

}  // namespace
}  // namespace dw::testing
