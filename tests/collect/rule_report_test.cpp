#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "collect/collect_rule.h"
#include "collect/rule_chain.h"
#include "collect/rule_probe.h"
#include "collect/run_log.h"
#include "round_fixture.h"
#include "store/rule_row.h"

namespace dw::testing {
namespace {

namespace fs = std::filesystem;

class RuleReportTest : public RoundTest {};

struct StepCase {
  const char* what;
  std::string url;   // the page below is served when empty
  std::string page;  // its first post is stored before
  std::string reg;   // the list rule's own when empty
  FailedStep step;
  int attempts, status;
  bool start_found, end_found;
  int matches;
  bool ignore_cert_errors = false;
};

// Collection and the probe report the same steps of the one chain.
TEST_F(RuleReportTest, EachPageFailsAtItsOwnStep) {
  using enum FailedStep;
  const std::string list = ListPage({{"3", "3"}, {"2", "2"}, {"1", "1"}});
  const std::string no_end = "<ul class=\"posts\"><li><a href=\"/post/1\">";
  const std::string aaa = "<ul class=\"posts\">" + std::string(4000, 'a');
  const StepCase cases[] = {
      {"refused", "http://127.0.0.1:1/", "", "", kFetch, 3, 0, 0, 0, 0},
      {"404", site_->HttpUrl("/fx/notfound"), "", "", kFetch, 3, 404, 0, 0, 0},
      {"untrusted", site_->HttpsUrl("/fx/target"), "", "", kFetch, 3, 0, 0, 0,
       0},
      {"certificate taken", site_->HttpsUrl("/fx/target"), "", "", kStartMarker,
       3, 200, 0, 0, 0, true},
      {"no start", "", "<li>1</li></ul>", "", kStartMarker, 3, 200, 0, 0, 0},
      {"no end", "", no_end, "", kEndMarker, 3, 200, 1, 0, 0},
      {"refused pattern", "", list, "(<li>", kPattern, 1, 200, 1, 1, 0},
      {"runaway", "", aaa + "</ul>", "(a+)+b", kPattern, 1, 200, 1, 1, 0},
      {"no match", "", list, "<p>(\\d+)</p>", kNoMatch, 1, 200, 1, 1, 0},
      {"good", "", list, "", kNone, 1, 200, 1, 1, 3},
  };
  int rule_id = 0;
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.what);
    RuleRow rule = ListRule(++rule_id, "Alpha",
                            c.url.empty() ? WritePage("page", c.page) : c.url);
    if (!c.reg.empty()) rule.reg = c.reg;
    rule.ignore_cert_errors = c.ignore_cert_errors;
    ProgramState state;
    ASSERT_TRUE(DbOpen(state.database, db_.path()));
    state.first_round = true;
    db_.Exec("delete from info; delete from rule");
    db_.AddInfo(Link("3"));
    ASSERT_TRUE(SaveRuleRows(state.database, {rule}));
    LoadRules(state.database, state.record_set, state.rule_table, view_);
    WorkerContext ctx{state, view_, 0};
    const RuleReport collected = CollectRule(ctx, rule_id);
    const RuleReport probed =
        ProbeRule(LoadRuleRows(state.database).at(0), state.database, {});
    for (const RuleReport* report : {&collected, &probed}) {
      EXPECT_EQ(report->failed_step, c.step);
      EXPECT_EQ(report->fetch.attempts, c.attempts);
      EXPECT_EQ(report->fetch.status, c.status);
      EXPECT_EQ(report->cut.start_found, c.start_found);
      EXPECT_EQ(report->cut.end_found, c.end_found);
      EXPECT_EQ(report->pattern.compiled, c.step != kPattern);
      EXPECT_EQ(report->pattern.gave_up, std::string(c.what) == "runaway");
      EXPECT_EQ(report->pattern.matches, c.matches);
    }
    if (c.url.empty()) {
      EXPECT_EQ(collected.fetch.bytes, c.page.size());
    }
    EXPECT_EQ(
        RunLogLine(collected).find("\terror certificate (\xE8\xAF\x81"
                                   "\xE4\xB9\xA6\xE6\x97\xA0\xE6\x95\x88)") !=
            std::string::npos,  // 证书无效
        std::string(c.what) == "untrusted");
    const int stored_before = c.matches ? 1 : 0;
    EXPECT_EQ(collected.posts.already_stored, stored_before);
    EXPECT_EQ(collected.posts.new_posts, c.matches - stored_before);
    EXPECT_EQ(collected.posts.stored, c.matches - stored_before);
    EXPECT_EQ(probed.found.size(), static_cast<size_t>(c.matches));
  }
}

// A page dripped a byte at a time is abandoned at the fetch's deadline and
// not fetched again in the run; the report and the log say why.
TEST_F(RuleReportTest, ASlowPageIsAbandonedAtTheDeadlineOnce) {
  ChainRule rule =
      ChainRuleFromRow(ListRule(7, "Alpha", site_->FaultUrl("/drip")));
  rule.fetch_deadline = std::chrono::milliseconds(1500);
  RuleReport report;
  RunRuleChain(rule, std::nullopt, report);
  EXPECT_EQ(report.failed_step, FailedStep::kFetch);
  EXPECT_TRUE(report.fetch.out_of_time);
  EXPECT_EQ(report.fetch.attempts, 1);
  EXPECT_NE(RunLogLine(report).find("\tfetch_deadline"), std::string::npos);
}

TEST_F(RuleReportTest, ProbeOfPageBytesMarksStoredPostsAndWritesNothing) {
  RuleRow rule = ListRule(7, "Alpha", "http://127.0.0.1:1/");
  rule.isgbk = "0";  // the bytes are decoded as the row says
  db_.AddRule(rule);
  db_.AddInfo(Link("2"));
  Database db;
  ASSERT_TRUE(DbOpen(db, db_.path()));
  const RuleReport report =
      ProbeRule(LoadRuleRows(db).at(0), db,
                GbkToUtf8(ListPage({{"3", kGreenTea}, {"2", "2"}})));
  EXPECT_EQ(report.failed_step, FailedStep::kNone);
  EXPECT_EQ(report.fetch.attempts, 1);
  ASSERT_EQ(report.found.size(), 2u);
  EXPECT_EQ(report.found[0].title, kGreenTea);
  EXPECT_EQ(report.found[0].link, Link("3"));
  EXPECT_FALSE(report.found[0].stored);
  EXPECT_TRUE(report.found[1].stored);
  EXPECT_NE(report.page_text.find("<li><a href=/post/2>2</a>"),
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
    EXPECT_EQ(view_.health[7].failing_rounds, round);
    EXPECT_EQ(view_.health[7].Unhealthy(), round == 3);
  }
  WritePage("list", ListPage({{"1", "One"}}));
  RunRound();
  EXPECT_EQ(view_.health[7].failing_rounds, 0);
  EXPECT_TRUE(view_.health[7].last_new.has_value());
  std::stringstream log;
  log << std::ifstream(LogPathBeside(db_.path())).rdbuf();
  const std::string text = log.str();
  EXPECT_NE(text.find("\trule 7\tAlpha\tempty_cut\tstatus 200\tbytes 23\t"
                      "matches 0\tnew 0\tstored 0\n"),
            std::string::npos);
  EXPECT_NE(text.find("\tok\tstatus 200\t"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
}

TEST(RunLogTest, TextFromOutsideNeverMakesAFieldOrLineOfItsOwn) {
  struct Case {
    std::string text;
    std::string field;
  } cases[] = {
      {"https://push.example/x\r\nrule 9\tok",
       "https://push.example/x\\x0D\\x0Arule 9\\x09ok"},
      {std::string("a\x01\x7F"
                   "b"),
       "a\\x01\\x7Fb"},
      {"plain \xE4\xB8\xAD", "plain \xE4\xB8\xAD"},
  };
  for (const Case& c : cases) EXPECT_EQ(LogField(c.text), c.field);
  StoredPost post;
  post.planId = 7;
  post.title = "Title\nforged line";
  const std::string line = UnstoredLogLine(post, Now());
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
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
  EXPECT_FALSE(AppendToLog((dir / "qel6.log.d").string(), "x\n"));
  fs::remove_all(dir);
}

// Each database has its own log; a new one is the user's alone, an old one
// keeps its mode, and a planted link is never written through.
TEST(RunLogTest, NamedAfterTheDatabasePrivateAndNeverThroughALink) {
  const fs::path dir = fs::temp_directory_path() / "dw_run_log_names";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::pair<const char*, const char*> names[] = {
      {"qel6.sdb", "qel6.log"},
      {"other.sdb", "other.log"},
      {"plain", "plain.log"},
      {"odd.log", "odd.log.log"}};
  for (const auto& [database, log] : names) {
    EXPECT_EQ(LogPathBeside((dir / database).string()), (dir / log).string());
  }
  const std::string fresh = (dir / "fresh.log").string();
  const std::string old = (dir / "old.log").string();
  std::ofstream(old) << "old\n";
  fs::permissions(old, fs::perms(0644));
  EXPECT_TRUE(AppendToLog(fresh, "a\n") && AppendToLog(old, "b\n"));
  EXPECT_EQ(fs::status(fresh).permissions(), fs::perms(0600));
  EXPECT_EQ(fs::status(old).permissions(), fs::perms(0644));
  fs::create_symlink(old, dir / "planted.log");
  EXPECT_FALSE(AppendToLog((dir / "planted.log").string(), "c\n"));
  EXPECT_EQ(fs::file_size(old), 6u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dw::testing
