// --learn-rule and --repair-rule in process, on the delivered database and
// the feed copies.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <sstream>

#include "app/cli/command_line.h"
#include "fixtures/test_site.h"
#include "runtime/temp_dir.h"
#include "store/rule_row.h"

namespace dw {
namespace {

const std::string kFeeds =
    std::string(DW_SOURCE_DIR) + "/tests/fixtures/feeds/";

class LearnToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(DW_TEMPLATE_DATABASE, db_path_);
    ASSERT_TRUE(DbOpen(db_, db_path_));
  }
  // The tool's exit status and its JSON.
  std::pair<int, QJsonObject> Run(const QStringList& arguments) {
    std::ostringstream out, err;
    const int status = RunTool(
        ParseToolRequest(QStringList{"--db", QString::fromStdString(db_path_)} +
                         arguments + QStringList{"--json"}),
        out, err);
    return {
        status,
        QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object()};
  }
  // Imports a learned rule as `[.proposals[0].rule]` writes it.
  void Import(const QJsonValue& rule, const std::string& name) {
    const std::string file = dir_.Write(
        name, QJsonDocument(QJsonArray{rule}).toJson().toStdString());
    std::ostringstream out, err;
    ASSERT_EQ(RunTool(ParseToolRequest(
                          {"--db", QString::fromStdString(db_path_),
                           "--import-rules", QString::fromStdString(file)}),
                      out, err),
              0)
        << err.str();
  }

  testing::TempDir dir_;
  std::string db_path_ = dir_.File("qel6.sdb");
  Database db_;
};

TEST_F(LearnToolTest, LearnedRuleImportsAndProbesAlike) {
  const QString feed = QString::fromStdString(kFeeds + "ozbargain-deals.xml");
  auto [status, learned] =
      Run({"--learn-rule", "https://www.ozbargain.com.au/deals/feed", "--page",
           feed});
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(learned["failed"].isNull());
  const QJsonObject best = learned["proposals"].toArray()[0].toObject();
  EXPECT_EQ(best["rule"]["id"].toInt(), 19);  // the first above the first table
  const QJsonArray posts = best["posts"].toArray();
  ASSERT_EQ(posts.size(), 3);
  EXPECT_EQ(posts[0]["link"].toString(),
            "https://www.ozbargain.com.au/node/812345");

  // [.proposals[0].rule] is a file the import takes.
  Import(best["rule"], "rule.json");
  auto [probed, report] = Run({"--probe", "19", "--page", feed});
  EXPECT_EQ(probed, 0);
  EXPECT_EQ(report["posts"].toArray(), posts);

  auto [missing, none] =
      Run({"--learn-rule", "https://www.ozbargain.com.au/deals/feed",
           "--example", "No such title", "--page", feed});
  EXPECT_EQ(missing, 1);
  EXPECT_EQ(none["failed"].toString(), "examples_not_found");
  EXPECT_TRUE(none["proposals"].toArray().isEmpty());
}

TEST_F(LearnToolTest, RepairFindsStoredPostsAgain) {
  const QString feed = QString::fromStdString(kFeeds + "guardian-us.xml");
  auto [no_posts, nothing] = Run({"--repair-rule", "13", "--page", feed});
  EXPECT_EQ(no_posts, 1);
  EXPECT_EQ(nothing["failed"].toString(), "no_stored_posts");

  // Rule 13 stored two posts, then its pattern broke.
  ASSERT_TRUE(DbExecute(
      db_,
      "INSERT INTO info(planname,planid,title,url,addtime,zt) VALUES "
      "('g',13,'City council votes to keep the night buses running',"
      "'https://www.theguardian.com/us-news/2026/jan/31/"
      "city-council-night-buses','1/31 10:00',0),"
      "('g',13,'Markets rise as factory orders beat forecasts',"
      "'https://www.theguardian.com/business/2026/jan/31/"
      "markets-rise-factory-orders','1/31 10:00',0);"
      "UPDATE rule SET reg = '<item><headline>(.+?)</headline>' WHERE id = "
      "13"));
  auto [status, repaired] = Run({"--repair-rule", "13", "--page", feed});
  ASSERT_EQ(status, 0);
  const QJsonObject best = repaired["proposals"].toArray()[0].toObject();
  EXPECT_EQ(best["rule"]["id"].toInt(), 13);
  EXPECT_EQ(best["rule"]["name"].toString(), "The Guardian US");
  const QJsonArray posts = best["posts"].toArray();
  ASSERT_EQ(posts.size(), 6);
  int stored = 0;
  for (const QJsonValue post : posts) {
    stored += post.toObject()["stored"].toBool() ? 1 : 0;
  }
  EXPECT_EQ(stored, 2);
  EXPECT_NE(best["note"].toString().indexOf("reg"), -1);
}

// A page in a charset of its own: the rule carries it through the file and
// the chain reads the page with it.
TEST_F(LearnToolTest, SingleByteCharsetTravelsWithTheRule) {
  std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" "
      "content=\"text/html; charset=ISO-8859-1\"></head><body><ul>";
  for (int n = 1; n <= 4; ++n) {
    page += "<li><a href=\"/t/" + std::to_string(n) + "\">Caf\xE9 K\xF6ln " +
            std::to_string(n) + "</a></li>";
  }
  const std::string path =
      dir_.Write("latin1.html", page + "</ul></body></html>");
  auto [status, learned] =
      Run({"--learn-rule", "https://l1.example/", "--example", "Café Köln 2",
           "--example", "Café Köln 3", "--page", QString::fromStdString(path)});
  ASSERT_EQ(status, 0);
  const QJsonObject rule =
      learned["proposals"].toArray()[0].toObject()["rule"].toObject();
  EXPECT_EQ(rule["charset"].toString(), "iso-8859-1");
  Import(rule, "latin1.json");
  auto [probed, report] = Run({"--probe", QString::number(rule["id"].toInt()),
                               "--page", QString::fromStdString(path)});
  EXPECT_EQ(probed, 0);
  const QJsonArray posts = report["posts"].toArray();
  ASSERT_EQ(posts.size(), 4);
  EXPECT_EQ(posts[3]["title"].toString(), QString::fromUtf8("Café Köln 4"));
}

// An address with Chinese in its path is asked for as browsers ask for it
// and kept in the rule as written.
TEST_F(LearnToolTest, ChineseAddressIsFetchedAndKeptAsWritten) {
  std::filesystem::create_directory(dir_.File("论坛"));
  std::string page = "<html><body><ul>";
  for (int n = 1; n <= 4; ++n) {
    page += "<li><a href=\"/t/" + std::to_string(n) + "\">Deal number " +
            std::to_string(n) + "</a></li>";
  }
  dir_.Write("论坛/list.html", page + "</ul></body></html>");
  TestSite site(dir_.File(""));
  ASSERT_TRUE(site.Running()) << site.Error();
  for (const char* path :
       {"/论坛/list.html", "/%E8%AE%BA%E5%9D%9B/list.html"}) {
    const QString url = QString::fromStdString(site.HttpUrl(path));
    auto [status, learned] =
        Run({"--learn-rule", url, "--example", "Deal number 2", "--example",
             "Deal number 3"});
    ASSERT_EQ(status, 0) << path;
    EXPECT_EQ(learned["proposals"][0]["rule"]["url"].toString(), url);
  }
}

// The feed a page announces is fetched only from the page's own host: one
// elsewhere (the same server under another name here) is left alone.
TEST_F(LearnToolTest, AnnouncedFeedIsFollowedOnTheOwnHostOnly) {
  std::string feed = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>";
  for (int n = 1; n <= 4; ++n) {
    feed += "<item><title>Feed post " + std::to_string(n) +
            "</title><link>http://127.0.0.1/f/" + std::to_string(n) +
            "</link></item>";
  }
  dir_.Write("feed.xml", feed + "</channel></rss>");
  TestSite site(dir_.File(""));
  ASSERT_TRUE(site.Running()) << site.Error();
  const struct {
    std::string href;
    bool followed;
  } cases[] = {
      {"/feed.xml", true},
      {"http://localhost:" + std::to_string(site.HttpPort()) + "/feed.xml",
       false},
  };
  for (const auto& c : cases) {
    dir_.Write("page.html",
               "<html><head><link rel=\"alternate\" "
               "type=\"application/rss+xml\" href=\"" +
                   c.href + "\"></head><body><p>No list</p></body></html>");
    auto [status, learned] = Run(
        {"--learn-rule", QString::fromStdString(site.HttpUrl("/page.html"))});
    EXPECT_EQ(status == 0, c.followed) << c.href;
    EXPECT_EQ(learned["proposals"].toArray().size() == 1, c.followed);
  }
}

}  // namespace
}  // namespace dw
