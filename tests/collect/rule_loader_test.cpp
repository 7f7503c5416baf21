#include "store/rule_loader.h"

#include <gtest/gtest.h>

#include <string>
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

TEST_F(RuleLoaderTest, SkipsRuleIdsWithoutARowAndKeepsTheRest) {
  for (int id : {0, -1, 19, 123}) db_.AddRule(Rule(id, 50, "1", "Bad"));
  db_.AddRule(Rule(18, 2, "1", "Last"));
  db_.AddRule(Rule(1, 1, "1", "First"));
  Load();
  EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Last/18/1", "First/1/1"}));
  for (int id = 2; id <= 17; ++id) {
    EXPECT_EQ(state_.rule_table.Cell(id, kRuleName), "") << id;
  }
}

TEST_F(RuleLoaderTest, TwoRowsWithOneIdBothListedLaterRowSuppliesCells) {
  db_.AddRule(Rule(5, 9, "1", "Early"));
  db_.AddRule(Rule(5, 1, "0", "Late"));
  Load();
  EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Early/5/1", "Late/5/0"}));
  EXPECT_EQ(state_.rule_table.Cell(5, kRuleName), "Late");
}

TEST_F(RuleLoaderTest, FailingRuleStatementLeavesTreeEmpty) {
  view_.AddRuleTreeItem("stale", 1, 1);
  db_.Exec("drop table rule");
  Load();
  EXPECT_TRUE(view_.tree.empty());
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
  for (const char* sql : {"delete from con", "drop table con"}) {
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
    EXPECT_TRUE(state.keyword_list.empty()) << sql;
    EXPECT_EQ(view.tree.size(), 1u) << sql;
  }
}

}  // namespace
}  // namespace dw
