// The command line: what each option asks for, the probe on feed copies and
// on the test site, export then import, and the import's refusals.
#include "app/cli/command_line.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "fixtures/test_site.h"
#include "runtime/temp_dir.h"
#include "store/rule_row.h"

namespace dw {
namespace {

const std::string kBin = std::string(DW_BINARY_DIR) + "/bin/";
const std::string kTemplate = DW_TEMPLATE_DATABASE;
const std::string kFeeds =
    std::string(DW_SOURCE_DIR) + "/tests/fixtures/feeds/";

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Tool(const QStringList& arguments) {
  std::ostringstream out, err;
  const int status = RunTool(ParseToolRequest(arguments), out, err);
  return {status, out.str(), err.str()};
}

QJsonObject Json(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

TEST(CommandLine, OptionsAndExitStatus) {
  EXPECT_TRUE(ParseToolRequest(QStringList{}).windows);
  EXPECT_TRUE(ParseToolRequest(QStringList{}).database.empty());
  const ToolRequest db = ParseToolRequest({"--db", "x.sdb"});
  EXPECT_TRUE(db.windows);
  EXPECT_TRUE(std::filesystem::path(db.database).is_absolute());
  const struct {
    QStringList arguments;
    int status;
    std::string printed;  // in the output, or in the error for status 2
  } cases[] = {
      {{"--help"}, 0, "--import-rules FILE"},
      {{"--version"}, 0, "dealwatcher "},
      {{"--man-page"}, 0, ".SH OPTIONS"},
      {{"--probe", "x"}, 2, "rule id"},
      {{"--json"}, 2, "only with --probe"},
      {{"--example", "x"}, 2, "only with --learn-rule"},
      {{"--repair-rule", "x"}, 2, "rule id"},
      {{"--export-rules", "a", "--import-rules", "b"}, 2, "another tool"},
      {{"--bogus"}, 2, "bogus"},
      {{"stray"}, 2, "stray"},
      {{"--db", "/nonexistent/qel6.sdb", "--export-rules", "-"}, 2, "open"},
      {{"--db", QString::fromStdString(kTemplate), "--probe", "17"},
       2,
       "no rule 17"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments.join(' ').toStdString();
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.printed),
              std::string::npos)
        << run.out << run.err;
  }
}

TEST(CommandLine, HelpNeedsNoDisplay) {
  const std::string command =
      "env -u DISPLAY -u WAYLAND_DISPLAY "
      "QT_QPA_PLATFORM= " +
      kBin + "dealwatcher --help >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

// What each delivered rule finds on the feed copies.
TEST(CommandLine, ProbeDeliveredRulesOnFeedCopies) {
  const struct {
    int rule;
    std::string feed;
    int posts;
    std::string first_link;  // or the failed step
  } cases[] = {
      {7, "ozbargain-deals.xml", 3, "https://www.ozbargain.com.au/node/812345"},
      {8, "smzdm-feed.xml", 2, "https://www.smzdm.com/p/123456789/"},
      {9, "slickdeals-frontpage.xml", 2, "https://slickdeals.net/f/17001234"},
      {9, "slickdeals-frontpage-proxy.xml", 2,
       "https://slickdeals.net/f/9365459"},
      {10, "hackernews-rss.xml", 3,
       "https://news.ycombinator.com/item?id=46201234"},
      {11, "reddit-buildapcsales.atom", 2,
       "https://www.reddit.com/r/buildapcsales/comments/1h8abcd/"},
      {11, "reddit-frontpage-rss2.xml", 0, "start_marker"},
      {13, "guardian-us.xml", 6,
       "https://www.theguardian.com/us-news/2026/jan/31/"
       "storm-closes-highways-three-states"},
  };
  for (const auto& c : cases) {
    const QStringList probe{"--db",    QString::fromStdString(kTemplate),
                            "--probe", QString::number(c.rule),
                            "--page",  QString::fromStdString(kFeeds + c.feed)};
    const ToolRun json = Tool(probe + QStringList{"--json"});
    const QJsonObject report = Json(json.out);
    const QJsonArray posts = report["posts"].toArray();
    EXPECT_EQ(json.status, c.posts > 0 ? 0 : 1) << c.feed;
    ASSERT_EQ(posts.size(), c.posts) << c.feed << json.out;
    EXPECT_EQ(c.posts ? posts[0]["link"].toString().toStdString()
                      : report["failed_step"].toString().toStdString(),
              c.first_link);
    const ToolRun text = Tool(probe);
    EXPECT_EQ(text.status, json.status);
    EXPECT_NE(
        text.out.find(c.posts ? c.first_link : "failed:  " + c.first_link),
        std::string::npos)
        << text.out;
  }
}

// A copy of the delivered database in a folder of its own.
class RuleFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(kTemplate, db_path_);
    ASSERT_TRUE(DbOpen(db_, db_path_));
  }
  ToolRun Import(const std::string& json) {
    return Tool({"--db", QString::fromStdString(db_path_), "--import-rules",
                 QString::fromStdString(dir_.Write("in.json", json))});
  }
  std::string Export() {
    return Tool({"--db", QString::fromStdString(db_path_), "--export-rules",
                 "-"})
        .out;
  }
  testing::TempDir dir_;
  std::string db_path_ = dir_.File("qel6.sdb");
  Database db_;
};

TEST_F(RuleFileTest, ProbeOnTheTestSite) {
  TestSite site(kFeeds);
  ASSERT_TRUE(site.Running()) << site.Error();
  std::vector<RuleRow> rows = LoadRuleRows(db_);
  rows[2].url = site.HttpUrl("/slickdeals-frontpage-proxy.xml");  // rule 9
  rows[3].url = site.HttpUrl("/missing.xml");                     // rule 10
  ASSERT_TRUE(SaveRuleRows(db_, {rows[2], rows[3]}));
  const QStringList db{"--db", QString::fromStdString(db_path_), "--probe"};
  const QJsonObject found = Json(Tool(db + QStringList{"9", "--json"}).out);
  EXPECT_EQ(found["fetch"]["status"].toInt(), 200);
  EXPECT_EQ(found["posts"].toArray().size(), 2);
  EXPECT_TRUE(found["failed_step"].isNull());
  const ToolRun missing = Tool(db + QStringList{"10"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("status 404"), std::string::npos) << missing.out;
}

TEST_F(RuleFileTest, ExportThenImportChangesNoByte) {
  // Text and real numbers where integers belong, and GBK text, as a user's
  // hand edits may have left them, and a name with an emoji beyond GBK.
  ASSERT_TRUE(DbExecute(db_,
                        "UPDATE rule SET rank='high', lastid=2.5, "
                        "name=CAST(X'9439E637' AS TEXT) WHERE id=7;"
                        "UPDATE rule SET lastid=9007199254740993 WHERE id=8;"));
  const std::vector<RuleRow> before = LoadRuleRows(db_);
  const std::string exported = Export();
  ASSERT_EQ(Import(exported).status, 0);
  EXPECT_EQ(LoadRuleRows(db_), before);
  EXPECT_EQ(Export(), exported);
}

TEST_F(RuleFileTest, ImportRefusesEveryErrorAndWritesNothing) {
  const QJsonArray good =
      QJsonDocument::fromJson(QByteArray::fromStdString(Export())).array();
  const std::vector<RuleRow> before = LoadRuleRows(db_);
  const struct {
    const char* column;
    QJsonValue value;
    std::string line;  // "" for a warning only
  } cases[] = {
      {"id", 10000, "rule 10000: id:"},
      {"id", "seven", "rule #2: id:"},
      {"id", 7, "rule #2: id: is used by an earlier rule"},
      {"url", "ftp://x", "rule 8: url:"},
      {"reg", "", "rule 8: reg:"},
      {"reg", "(a",
       "rule 8: reg: does not compile: missing closing "
       "parenthesis at character 3"},
      {"reg", "a++(?#x)b", "rule 8: reg:"},
      {"tindex", 3, "rule 8: tindex:"},
      {"idindex", "x", "rule 8: idindex:"},
      {"isgbk", "2", "rule 8: isgbk:"},
      {"type", "eight", "rule 8: type:"},
      {"name", QString(QChar(0xD800)), "rule 8: name:"},  // a lone surrogate
      {"name", QString::fromUtf8("a\0b", 3), "rule 8: name:"},
      {"name", QString(201, QLatin1Char('n')), "rule 8: name:"},
      {"pinurl", "https://x/", ""},
      {"id", 12, ""},
  };
  for (const auto& c : cases) {
    QJsonArray rules = good;
    QJsonObject rule = rules[1].toObject();  // rule 8
    rule[c.column] = c.value;
    rules[1] = rule;
    const ToolRun run = Import(QJsonDocument(rules).toJson().toStdString());
    EXPECT_EQ(run.status, c.line.empty() ? 0 : 1) << c.column << run.err;
    EXPECT_NE(run.err.find(c.line.empty() ? "warning: " : c.line),
              std::string::npos)
        << run.err;
    if (!c.line.empty()) {
      EXPECT_EQ(LoadRuleRows(db_), before) << c.column;
    }
  }
  const ToolRun broken = Import("[{\"id\": 7,\n  \"\xE5\x90\x8D\" 8}]");
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("at line 2, column 7"), std::string::npos)
      << broken.err;
}

// Ids past the first table travel both ways, and a rule the file gives no id
// takes the lowest free one above it.
TEST_F(RuleFileTest, ImportKeepsHighIdsAndGivesARuleWithoutOneTheNextFree) {
  const QJsonObject rule =
      QJsonDocument::fromJson(QByteArray::fromStdString(Export()))
          .array()[0]
          .toObject();
  QJsonArray rules;
  for (const QJsonValue id : {QJsonValue(19), QJsonValue(9999), QJsonValue()}) {
    QJsonObject row = rule;
    row.remove("id");
    if (!id.isNull()) row["id"] = id;
    rules.append(row);
  }
  const ToolRun run = Import(QJsonDocument(rules).toJson().toStdString());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("gets id 20"), std::string::npos) << run.out;
  std::vector<std::int64_t> ids;
  for (const RuleRow& row : LoadRuleRows(db_)) ids.push_back(row.id);
  for (std::int64_t id : {19, 20, 9999}) {
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
  }
  const std::string exported = Export();
  EXPECT_NE(exported.find("{\"id\": 9999"), std::string::npos);
  ASSERT_EQ(Import(exported).status, 0);
  EXPECT_EQ(Export(), exported);
}

// A write that fails half-way (the tenth row refused) leaves no row behind.
TEST_F(RuleFileTest, AnImportFailingHalfWayLeavesTheRulesAsTheyWere) {
  const QJsonObject rule =
      QJsonDocument::fromJson(QByteArray::fromStdString(Export()))
          .array()[0]
          .toObject();
  QJsonArray rules;
  for (int id = 7; id <= 16; ++id) {
    QJsonObject row = rule;
    row["id"] = id;
    rules.append(row);
  }
  const std::vector<RuleRow> before = LoadRuleRows(db_);
  ASSERT_TRUE(DbExecute(db_,
                        "CREATE TRIGGER refuse BEFORE INSERT ON rule WHEN "
                        "new.id=16 BEGIN SELECT RAISE(ABORT,'no'); END"));
  const ToolRun run = Import(QJsonDocument(rules).toJson().toStdString());
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(LoadRuleRows(db_), before);
}

}  // namespace
}  // namespace dw

namespace dw {
namespace {

TEST_F(RuleFileTest, SearchIndexesStoredPostsFirstAndPrintsTheNewest) {
  for (const char* row : {"('A',1,'\xc2\xcc\xb2\xe8','L1','2026/12/7 13:41',1)",
                          "('B',2,'Tea \xb2\xe8','L2','2026/12/7 13:42',0)",
                          "('B',2,'Coffee','L3','2026/12/7 13:43',0)"}) {
    ASSERT_TRUE(DbExecute(
        db_, std::string("insert into info(planname,planid,title,url,addtime,"
                         "zt) values") +
                 row));
  }
  const QStringList db{"--db", QString::fromStdString(db_path_), "--search"};
  const ToolRun json =
      Tool(db + QStringList{QString::fromUtf8("茶"), "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"total\": 2, \"posts\": [{\"site\": \"B\", \"title\": \"Tea "
            "茶\", \"link\": \"L2\", \"time\": \"2026-12-07T13:42:00\", "
            "\"hit\": false}, {\"site\": \"A\", \"title\": \"绿茶\", \"link\": "
            "\"L1\", \"time\": \"2026-12-07T13:41:00\", \"hit\": true}]}\n");
  const ToolRun newest = Tool(db + QStringList{""});
  EXPECT_EQ(newest.status, 0);
  EXPECT_EQ(newest.out.substr(0, newest.out.find('\n')),
            "2026-12-07T13:43:00\tB\tCoffee\tL3\t-");
  EXPECT_NE(newest.out.find("3 posts found"), std::string::npos);
  EXPECT_EQ(Tool(db + QStringList{"x", "--page", "p"}).status, 2);
}

// Neither an empty file nor another program's database gets our tables.
TEST_F(RuleFileTest, SearchRefusesAFileNotOursAndWritesNothing) {
  const struct {
    const char* name;
    const char* sql;  // what the file holds; none: empty
    const char* reason;
  } cases[] = {{"empty.sdb", nullptr, "it is empty"},
               {"notes.sdb", "create table notes(x)", "no table info"}};
  for (const auto& c : cases) {
    const std::string path = dir_.Write(c.name, "");
    if (c.sql) {
      Database other;
      ASSERT_TRUE(DbOpen(other, path) && DbExecute(other, c.sql));
    }
    const std::string before = testing::ReadFile(path);
    const ToolRun run =
        Tool({"--db", QString::fromStdString(path), "--search", "x"});
    EXPECT_EQ(run.status, 2) << c.name;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(testing::ReadFile(path), before) << c.name;
  }
}

}  // namespace
}  // namespace dw
