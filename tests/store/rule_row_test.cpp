// Whole rule rows: stored values survive load then save, a save is all or
// nothing, and the checks shared by the import and the rules window.
#include "store/rule_row.h"

#include <gtest/gtest.h>

#include "runtime/temp_dir.h"
#include "store/rule_checks.h"
#include "store/schema_text.h"

namespace dw {
namespace {

// Every cell of `rule` with its storage class, in a stable order.
std::string Dump(Database& db) {
  RecordSet rs;
  std::string sql = "SELECT ";
  for (const char* c : kRuleColumns) {
    sql += std::string(sql.size() > 7 ? "||'|'||" : "") + "typeof(\"" + c +
           "\")||':'||quote(\"" + c + "\")";
  }
  RsOpen(rs, sql + " FROM rule ORDER BY id, rowid", db);
  RsRequery(rs);
  std::string dump;
  auto rows = RsAllRows(rs);
  for (int r = 1; r <= rows.Rows(); ++r) dump += rows(r, 1) + "\n";
  return dump;
}

class RuleRowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DbOpen(db_, dir_.File("qel6.sdb"), /*create=*/true));
    ASSERT_TRUE(DbExecute(db_, testing::SchemaText()));
  }
  testing::TempDir dir_;
  Database db_;
};

TEST_F(RuleRowTest, LoadThenSaveKeepsEveryStoredValue) {
  // Text and real numbers in INTEGER columns, GBK text, a second row under
  // one id: all must come back as they were.
  ASSERT_TRUE(DbExecute(
      db_,
      "INSERT INTO rule VALUES(9,' 1','abc','1','x8','\xB0\xD7\xB2\xCB','u',"
      "'c','r(\\d)','<a>','</a>',1.5,2,'p[2]',99999999999999999999);"
      "INSERT INTO rule VALUES(7,'3',-5,'0',8,'n','u','','r','','',0,0,'',"
      "9007199254740993);"
      "INSERT INTO rule VALUES(7,'1',0,'0',0,'twin','u','','r','','',0,0,"
      "'',0.1);"));
  const std::string before = Dump(db_);
  const std::vector<RuleRow> rows = LoadRuleRows(db_);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].lastid, "9007199254740993");
  EXPECT_EQ(rows[2].rank, "abc");
  ASSERT_TRUE(SaveRuleRows(db_, rows));
  EXPECT_EQ(Dump(db_), before);
  EXPECT_EQ(LoadRuleRows(db_), rows);
}

TEST_F(RuleRowTest, SaveIsAllOrNothing) {
  RuleRow row;
  row.id = 7;
  row.name = "old";
  ASSERT_TRUE(SaveRuleRows(db_, {row}));
  ASSERT_TRUE(DbExecute(db_,
                        "CREATE TRIGGER refuse BEFORE INSERT ON rule WHEN "
                        "new.id=13 BEGIN SELECT RAISE(ABORT,'no'); END"));
  RuleRow replaced = row, refused = row;
  replaced.name = "new";
  refused.id = 13;
  EXPECT_FALSE(SaveRuleRows(db_, {replaced, refused}));
  EXPECT_EQ(LoadRuleRows(db_), std::vector<RuleRow>{row});
  EXPECT_TRUE(DeleteRuleRow(db_, 7));
  EXPECT_TRUE(LoadRuleRows(db_).empty());
}

TEST(CheckRule, ErrorsAndWarnings) {
  RuleRow good;
  good.id = 8;
  good.url = "HTTPS://example.com/feed";
  good.reg = "<a href=(?:x)(?<n>\\d+)>([^(]*)</a>(?#c)\\(";
  good.before = "<ul>";
  good.after = "</ul>";
  good.tindex = "2";
  good.idindex = "1";
  good.pinurl = "https://example.com/[1]";
  EXPECT_TRUE(CheckRule(good).empty());

  struct Case {
    void (*change)(RuleRow&);
    std::string column;
    bool warning;
    RuleCheck check;
  };
  const Case cases[] = {
      {[](RuleRow& r) { r.id = 10000; }, "id", false, RuleCheck::kIdRange},
      {[](RuleRow& r) { r.id = 0; }, "id", false, RuleCheck::kIdRange},
      {[](RuleRow& r) { r.name = std::string(201, 'n'); }, "name", false,
       RuleCheck::kTooLong},
      {[](RuleRow& r) { r.url += std::string(4096, 'u'); }, "url", false,
       RuleCheck::kTooLong},
      {[](RuleRow& r) { r.reg += std::string(8192, 'x'); }, "reg", false,
       RuleCheck::kTooLong},
      {[](RuleRow& r) { r.after += std::string(4096, 'a'); }, "after", false,
       RuleCheck::kTooLong},
      {[](RuleRow& r) { r.pinurl += std::string(4096, 'p'); }, "pinurl", false,
       RuleCheck::kTooLong},
      {[](RuleRow& r) { r.name = std::string("a\0b", 3); }, "name", false,
       RuleCheck::kZeroByte},
      {[](RuleRow& r) { r.cookie = std::string(1, '\0'); }, "cookie", false,
       RuleCheck::kZeroByte},
      {[](RuleRow& r) { r.url = "ftp://example.com"; }, "url", false,
       RuleCheck::kHttpAddress},
      {[](RuleRow& r) { r.reg = ""; }, "reg", false, RuleCheck::kEmpty},
      {[](RuleRow& r) { r.reg = "(a"; }, "reg", false,
       RuleCheck::kPatternCompile},
      {[](RuleRow& r) { r.reg = "a++(?#x)b(c)(d)"; }, "reg", false,
       RuleCheck::kPatternRefused},
      {[](RuleRow& r) { r.tindex = "3"; }, "tindex", false,
       RuleCheck::kGroupRange},
      {[](RuleRow& r) { r.idindex = "one"; }, "idindex", false,
       RuleCheck::kWholeNumber},
      {[](RuleRow& r) { r.isgbk = "2"; }, "isgbk", false,
       RuleCheck::kZeroOrOne},
      {[](RuleRow& r) { r.type = "8x"; }, "type", false,
       RuleCheck::kWholeNumber},
      {[](RuleRow& r) { r.id = 12; }, "id", true, RuleCheck::kSiteCleanUp},
      {[](RuleRow& r) { r.id = 6; }, "id", true, RuleCheck::kSiteCleanUp},
      {[](RuleRow& r) { r.pinurl = "https://example.com/[2]"; }, "pinurl", true,
       RuleCheck::kLinkLacksId},
      {[](RuleRow& r) { r.before = ""; }, "before", true,
       RuleCheck::kCutFromTop},
      {[](RuleRow& r) { r.after = ""; }, "after", false, RuleCheck::kCutEmpty},
  };
  for (const Case& c : cases) {
    RuleRow row = good;
    c.change(row);
    const std::vector<RuleProblem> problems = CheckRule(row);
    ASSERT_EQ(problems.size(), 1u) << c.column;
    EXPECT_EQ(problems[0].column, c.column);
    EXPECT_EQ(problems[0].warning, c.warning) << c.column;
    EXPECT_EQ(problems[0].check, c.check) << problems[0].message;
    EXPECT_FALSE(problems[0].message.empty());
  }
}

TEST(LowestFreeRuleId,
     NewRulesStartAboveTheFirstTableThenTakeIdsWithoutCleanUp) {
  const auto ids = [](std::vector<std::pair<int, int>> runs) {
    std::vector<RuleRow> rows;
    for (const auto& [first, last] : runs) {
      for (int id = first; id <= last; ++id) rows.emplace_back().id = id;
    }
    return rows;
  };
  const struct {
    std::vector<RuleRow> rows;
    std::int64_t lowest;
    std::int64_t new_id;
  } cases[] = {
      {ids({{1, 2}, {7, 7}}), 3, 19},
      {ids({{1, 18}, {19, 20}}), 21, 21},
      {ids({{1, 6}, {19, kLastRuleId}}), 7, 7},
      {ids({{1, 12}, {19, kLastRuleId}}), 13, 13},
      {ids({{7, 11}, {13, kLastRuleId}}), 1, 0},
      {ids({{1, kLastRuleId}}), 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LowestFreeRuleId(c.rows), c.lowest);
    EXPECT_EQ(NewRuleId(c.rows), c.new_id);
  }
}

}  // namespace
}  // namespace dw
