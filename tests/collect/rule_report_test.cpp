#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "collect/collect_rule.h"
#include "collect/rule_probe.h"
#include "collect/run_log.h"
#include "round_fixture.h"

namespace dw::testing {
namespace {

namespace fs = std::filesystem;

class RuleReportTest : public RoundTest {
 protected:
  std::vector<std::string> LogLines() {
    std::ifstream in(LogPathBeside(db_.path()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

struct StepCase {
  const char* what;
  std::string page;  // served as the rule's page unless `url` is given
  std::string url;
  std::string reg;  // the list rule's own when empty
  FailedStep step;
  int attempts;
  int status;
  int bytes;  // of the last answer; -1: the page's own size
  bool start_found;
  bool end_found;
  bool compiled;
  int matches;
  int new_posts;  // one more post is on the page, stored before
};

// Collection and the probe report the same steps of the one chain.
TEST_F(RuleReportTest, EachPageFailsAtItsOwnStep) {
  const std::string list =
      ListPage({{"3", "Three"}, {"2", "Two"}, {"1", "One"}});
  const StepCase cases[] = {
      {"refused", "", "http://127.0.0.1:1/", "", FailedStep::kFetch, 3, 0, 0,
       false, false, true, 0, 0},
      {"not found", "", site_->HttpUrl("/fx/notfound"), "", FailedStep::kFetch,
       3, 404, 13, false, false, true, 0, 0},
      {"no start marker", "<li><a href=\"/post/1\">x</a></li></ul>", "", "",
       FailedStep::kStartMarker, 3, 200, -1, false, false, true, 0, 0},
      {"no end marker", "<ul class=\"posts\"><li><a href=\"/post/1\">x</a>", "",
       "", FailedStep::kEndMarker, 3, 200, -1, true, false, true, 0, 0},
      {"pattern refused", list, "", "(<li>", FailedStep::kPattern, 1, 200, -1,
       true, true, false, 0, 0},
      {"pattern hangs the parser", list, "", "a++(?#x)b", FailedStep::kPattern,
       1, 200, -1, true, true, false, 0, 0},
      {"runaway pattern",
       "<ul class=\"posts\">" + std::string(4000, 'a') + "</ul>", "", "(a+)+b",
       FailedStep::kPattern, 1, 200, -1, true, true, false, 0, 0},
      {"no match", list, "", "<p>(\\d+)</p>", FailedStep::kNoMatch, 1, 200, -1,
       true, true, true, 0, 0},
      {"good", list, "", "", FailedStep::kNone, 1, 200, -1, true, true, true, 3,
       2},
  };
  int rule_id = 0;
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.what);
    RuleRow rule = ListRule(++rule_id, "Alpha",
                            c.url.empty() ? WritePage("page", c.page) : c.url);
    if (!c.reg.empty()) rule.reg = c.reg;
    ProgramState state;
    ASSERT_TRUE(DbOpen(state.database, db_.path()));
    state.first_round = true;
    PutRule(state.rule_table, rule);
    db_.Exec("delete from info");
    db_.AddInfo(Link("2"));
    WorkerContext ctx{state, view_, 0};
    const RuleReport collected = CollectRule(ctx, rule_id);
    const RuleReport probed = ProbeRule(WholeRow(rule), state.database, {});
    for (const RuleReport* report : {&collected, &probed}) {
      EXPECT_EQ(report->failed_step, c.step);
      EXPECT_EQ(report->fetch.attempts, c.attempts);
      EXPECT_EQ(report->fetch.status, c.status);
      EXPECT_EQ(report->fetch.bytes,
                c.bytes < 0 ? static_cast<int>(c.page.size()) : c.bytes);
      EXPECT_EQ(report->cut.start_found, c.start_found);
      EXPECT_EQ(report->cut.end_found, c.end_found);
      EXPECT_EQ(report->pattern.compiled, c.compiled);
      EXPECT_EQ(report->pattern.matches, c.matches);
    }
    EXPECT_EQ(collected.rule_name, "Alpha");
    EXPECT_EQ(collected.posts.new_posts, c.new_posts);
    EXPECT_EQ(collected.posts.stored, c.new_posts);
    EXPECT_EQ(collected.posts.already_stored, c.matches ? 1 : 0);
    EXPECT_EQ(probed.found.size(), static_cast<size_t>(c.matches));
    EXPECT_EQ(db_.Info().size(), 1u + c.new_posts);
  }
}

TEST_F(RuleReportTest, ProbeOfPageBytesMarksStoredPostsAndWritesNothing) {
  RuleRow rule = ListRule(7, "Alpha", "http://127.0.0.1:1/");
  rule.isgbk = "0";  // the bytes are decoded as the row says
  db_.AddInfo(Link("2"));
  Database db;
  ASSERT_TRUE(DbOpen(db, db_.path()));
  const RuleReport report = ProbeRule(
      WholeRow(rule), db,
      GbkToUtf8(ListPage({{"3", kGreenTea}, {"2", "Two"}, {"1", "One"}})));
  EXPECT_EQ(report.failed_step, FailedStep::kNone);
  EXPECT_EQ(report.fetch.attempts, 1);
  ASSERT_EQ(report.found.size(), 3u);
  EXPECT_EQ(report.found[0].title, kGreenTea);
  EXPECT_EQ(report.found[0].link, Link("3"));
  EXPECT_FALSE(report.found[0].stored);
  EXPECT_TRUE(report.found[1].stored);
  EXPECT_NE(report.page_text.find("<li><a href=/post/1>One</a>"),
            std::string::npos);
  EXPECT_EQ(db_.Info().size(), 1u);
}

// Three failing rounds in a row make a rule unhealthy; one good round
// clears it. Every run is logged beside the database and shown.
TEST_F(RuleReportTest, HealthFollowsTheRoundsAndEveryRunIsLogged) {
  const std::string url = WritePage("list", "<ul class=\"posts\"></ul>");
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  for (int round = 1; round <= 3; ++round) {
    RunRound();
    ASSERT_EQ(view_.health.count(7), 1u);
    EXPECT_EQ(view_.health[7].failing_rounds, round);
    EXPECT_EQ(view_.health[7].Unhealthy(), round == 3);
    EXPECT_EQ(view_.health[7].last->failed_step, FailedStep::kNoMatch);
  }
  WritePage("list", ListPage({{"1", "One"}}));
  RunRound();
  const RuleHealth& health = view_.health[7];
  EXPECT_EQ(health.failing_rounds, 0);
  EXPECT_FALSE(health.Unhealthy());
  ASSERT_TRUE(health.last_new.has_value());
  EXPECT_EQ(health.last->posts.stored, 1);

  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find("\trule 7\tAlpha\tno_match\tstatus 200\t"),
            std::string::npos);
  EXPECT_NE(lines[3].find("\tok\tstatus 200\t"), std::string::npos);
  EXPECT_NE(lines[3].find("\tmatches 1\tnew 1\tstored 1"), std::string::npos);
}

TEST(RunLogTest, RotatesAtOneMebibyteAndNeverThrows) {
  const fs::path dir = fs::temp_directory_path() / "dw_run_log_test";
  fs::remove_all(dir);
  fs::create_directories(dir / "qel6.log.d");
  const std::string log = LogPathBeside((dir / "qel6.sdb").string());
  std::ofstream(log) << std::string(kLogRotateBytes - 4, 'x');
  EXPECT_TRUE(AppendToLog(log, "abc\n"));  // just fits
  EXPECT_TRUE(AppendToLog(log, "def\n"));
  EXPECT_EQ(fs::file_size(log + ".1"), kLogRotateBytes);
  EXPECT_EQ(fs::file_size(log), 4u);
  // A log that cannot be written is left alone.
  EXPECT_FALSE(AppendToLog((dir / "qel6.log.d").string(), "x\n"));
  EXPECT_FALSE(AppendToLog("", "x\n"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dw::testing
