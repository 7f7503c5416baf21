#include "store/rule_loader.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <utility>
#include <vector>

#include "collect/program_state.h"
#include "recording_view.h"
#include "test_database.h"

namespace dw {
namespace {

using testing::RecordingView;
using testing::TestDatabase;

RuleRow Rule(int id, int rank, std::string isdo, std::string name) {
  RuleRow rule;
  rule.id = id;
  rule.rank = std::to_string(rank);
  rule.isdo = std::move(isdo);
  rule.name = std::move(name);
  rule.url = "http://127.0.0.1/" + rule.name;
  return rule;
}

class RuleLoaderTest : public ::testing::Test {
 protected:
  void Load() {
    ASSERT_TRUE(DbOpen(state_.database, db_.path()));
    LoadRules(state_.database, state_.record_set, state_.rule_table, view_);
    LoadSettings(state_.database, state_.record_set, state_.settings,
                 state_.keyword_list);
  }
  std::vector<std::string> TreeTexts() const {
    std::vector<std::string> texts;
    for (const auto& item : view_.tree) {
      texts.push_back(item.text + "/" + std::to_string(item.value) + "/" +
                      std::to_string(item.check_state));
    }
    return texts;
  }

  TestDatabase db_;
  ProgramState state_;
  RecordingView view_;
};

TEST_F(RuleLoaderTest, ListsRulesByDescendingRankTickedOnlyForExactlyOne) {
  db_.AddRule(Rule(2, 5, "1", "Two"));
  db_.AddRule(Rule(7, 9, "0", "Seven"));
  db_.AddRule(Rule(4, 12, "3", "Four"));
  db_.AddRule(Rule(9, 3, " 1", "Nine"));
  db_.AddRule(Rule(10, 10, "2", "Ten"));
  db_.AddRule(Rule(11, 1, "01", "Eleven"));
  Load();
  EXPECT_EQ(TreeTexts(),
            (std::vector<std::string>{"Ten/10/0", "Seven/7/0", "Two/2/1",
                                      "Nine/9/0", "Eleven/11/0"}));
  EXPECT_EQ(state_.rule_table.Cell(4, kRuleName), "");  // isdo 3: not loaded
}

TEST_F(RuleLoaderTest, CopiesEveryCellAsText) {
  RuleRow rule = Rule(3, 1, "1", "Gamma");
  rule.isgbk = "1";
  rule.type = "8";
  rule.cookie = "c=1";
  rule.reg = "<li>(\\d+)</li>";
  rule.before = "<ul>";
  rule.after = "</ul>";
  rule.tindex = "0";
  rule.idindex = "1";
  rule.pinurl = "http://x/[1]";
  rule.lastid = "9007199254740993";
  db_.AddRule(rule);
  Load();
  const std::vector<std::string> expected = {"1",
                                             "1",
                                             "1",
                                             "8",
                                             "Gamma",
                                             rule.url,
                                             "c=1",
                                             rule.reg,
                                             "<ul>",
                                             "</ul>",
                                             "0",
                                             "1",
                                             "http://x/[1]",
                                             "9007199254740993"};
  for (int cell = 1; cell <= 14; ++cell) {
    EXPECT_EQ(state_.rule_table.Cell(3, cell), expected[cell - 1]) << cell;
  }
  EXPECT_EQ(state_.rule_table.Cell(3, 15), "");
}

// Only an exact whole number 1..9999 is a rule id: nothing wraps or rounds
// into another rule's id.
TEST_F(RuleLoaderTest, SkipsRowsWhoseIdIsNoExactRuleId) {
  for (const char* id :
       {"0", "-1", "10000", "65555", "4294967303", "7.5", "'7abc'"}) {
    db_.Exec(std::string("insert into rule(id,isdo,rank,name) values(") + id +
             ",'1',50,'Bad')");
  }
  db_.AddRule(Rule(18, 2, "1", "Last"));
  db_.AddRule(Rule(1, 1, "1", "First"));
  db_.AddRule(Rule(9999, 0, "1", "Top"));
  Load();
  EXPECT_EQ(TreeTexts(),
            (std::vector<std::string>{"Last/18/1", "First/1/1", "Top/9999/1"}));
  for (int id = 2; id <= 17; ++id) {
    EXPECT_EQ(state_.rule_table.Cell(id, kRuleName), "") << id;
  }
}

// A row past the checker's limits, written by another program, is neither
// listed nor run.
TEST_F(RuleLoaderTest, RowsOverTheCheckersLimitsAreNotRun) {
  db_.AddRule(Rule(3, 3, "1", std::string(201, 'n')));
  RuleRow long_cookie = Rule(4, 2, "1", "Cookie");
  long_cookie.cookie = std::string(16385, 'c');
  db_.AddRule(long_cookie);
  db_.AddRule(Rule(5, 1, "1", std::string(200, 'k')));
  Load();
  EXPECT_EQ(TreeTexts(),
            (std::vector<std::string>{std::string(200, 'k') + "/5/1"}));
  EXPECT_EQ(state_.rule_table.Cell(3, kRuleUrl), "");
}

TEST_F(RuleLoaderTest, OfRowsSharingAnIdOnlyTheFirstByRankRuns) {
  db_.AddRule(Rule(5, 1, "0", "Late"));
  db_.AddRule(Rule(5, 9, "1", "Early"));
  Load();
  EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Early/5/1"}));
  EXPECT_EQ(state_.rule_table.Cell(5, kRuleName), "Early");
}

// A load the database refuses (held by another program, or the table gone)
// leaves the rules, the tree and the keywords as they were.
TEST_F(RuleLoaderTest, AFailingLoadChangesNothing) {
  db_.AddRule(Rule(7, 1, "1", "Seven"));
  db_.SetKeywords("tea");
  Load();
  for (const char* hold : {"BEGIN EXCLUSIVE", "drop table rule"}) {
    db_.Exec(hold);
    sqlite3_busy_timeout(state_.database.Handle(), 10);
    LoadSettings(state_.database, state_.record_set, state_.settings,
                 state_.keyword_list);
    EXPECT_FALSE(
        LoadRules(state_.database, state_.record_set, state_.rule_table, view_))
        << hold;
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Seven/7/1"})) << hold;
    EXPECT_EQ(state_.rule_table.Cell(7, kRuleName), "Seven") << hold;
    EXPECT_EQ(state_.keyword_list, (std::vector<std::string>{"tea"})) << hold;
    if (std::string(hold) == "BEGIN EXCLUSIVE") db_.Exec("COMMIT");
  }
}

// Split at CR LF only: an empty line between two is a keyword, the empty
// text after the last is not, and nothing is trimmed.
TEST_F(RuleLoaderTest, KeywordsAreTheCrLfLinesOfTheSettingsRow) {
  struct Case {
    std::string keywd;
    std::vector<std::string> keywords;
  } cases[] = {
      {"", {}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"tea \r\nTea\nx", {"tea ", "Tea\nx"}},
  };
  for (const Case& c : cases) {
    db_.SetKeywords(c.keywd);
    Load();
    EXPECT_EQ(state_.keyword_list, c.keywords) << c.keywords.size();
  }
}

TEST_F(RuleLoaderTest, ReadsTheRestOfTheSettingsRow) {
  db_.Exec(
      "update con set pl_shop=3,pl_kuai='12abc',pl_man='x',tx_tc='1',"
      "tx_sy='01',tx_wx=' 1',tx_onlygz='1',tx_wxkey='key'");
  Load();
  EXPECT_EQ(state_.settings.pl_shop, 3);
  EXPECT_EQ(state_.settings.pl_kuai, 12);
  EXPECT_EQ(state_.settings.pl_man, 0);
  EXPECT_TRUE(state_.settings.tx_tc);
  EXPECT_FALSE(state_.settings.tx_sy);
  EXPECT_FALSE(state_.settings.tx_wx);
  EXPECT_TRUE(state_.settings.tx_onlygz);
  EXPECT_EQ(state_.settings.tx_wxkey, "key");
}

TEST_F(RuleLoaderTest, NoSettingsRowGivesNoKeywordsAndLoadingGoesOn) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"delete from con", {}}, {"drop table con", {"stale"}}};
  for (const auto& [sql, keywords] : cases) {
    TestDatabase db;
    db.AddRule(Rule(1, 1, "1", "Alpha"));
    db.Exec(sql);
    ProgramState state;
    RecordingView view;
    state.keyword_list = {"stale"};
    ASSERT_TRUE(DbOpen(state.database, db.path()));
    LoadRules(state.database, state.record_set, state.rule_table, view);
    LoadSettings(state.database, state.record_set, state.settings,
                 state.keyword_list);
    EXPECT_EQ(state.keyword_list, keywords) << sql;
    EXPECT_EQ(view.tree.size(), 1u) << sql;
  }
}

}  // namespace
}  // namespace dw
