// Checks of the delivered database and the test database as the build
// produces them: every rule loads, and each default rule finds the posts of
// a feed written in its source's published format.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "net/cookies.h"
#include "runtime/convert.h"
#include "runtime/database.h"
#include "runtime/encoding.h"
#include "runtime/native_pattern.h"
#include "runtime/text_ops.h"
#include "store/access.h"
#include "store/statements.h"
#include "text/page_text.h"

namespace dw {
namespace {

const std::string kBin = std::string(DW_BINARY_DIR) + "/bin/";
// The delivered database, as the build lays it out for installing.
const std::string kTemplate = DW_TEMPLATE_DATABASE;

// Cells of one rule row in the order of the rule statement.
struct Rule {
  int id;
  std::string isdo, rank, isgbk;
  int type;
  std::string name, url, cookie, reg, before, after;
  int tindex, idindex;
  std::string pinurl;
  long long lastid;
};

std::vector<Rule> LoadRuleRows(const std::string& path) {
  Database db;
  RecordSet rs;
  std::vector<Rule> rules;
  if (!DbOpen(db, path)) return rules;
  RunQuery(rs, db, kRuleStatement);
  auto rows = RsAllRows(rs);
  CloseQuery(rs);
  for (int r = 1; r <= rows.Rows(); ++r) {
    rules.push_back({ToInteger(rows(r, 1)), rows(r, 2), rows(r, 3), rows(r, 4),
                     ToInteger(rows(r, 5)), rows(r, 6), rows(r, 7), rows(r, 8),
                     rows(r, 9), rows(r, 10), rows(r, 11),
                     ToInteger(rows(r, 12)), ToInteger(rows(r, 13)),
                     rows(r, 14), ToLongInteger(rows(r, 15))});
  }
  return rules;
}

struct Post {
  std::string title;
  std::string link;
  bool operator==(const Post&) const = default;
};

// The way a rule is applied to a page: cut between the markers, tidy, match,
// and build each link from the template.
std::vector<Post> Extract(const Rule& rule, const std::string& utf8Page) {
  const std::string page =
      TidyHtmlText(TextBetween(Utf8ToGbk(utf8Page), rule.before, rule.after));
  Pattern pattern;
  if (!PatternCreate(pattern, rule.reg, false)) return {};
  std::vector<Post> posts;
  for (const auto& m : PatternSearchAll(pattern, page)) {
    const std::string id = MatchSubText(m, page, rule.idindex);
    const std::string placeholder = "[" + std::to_string(rule.idindex) + "]";
    posts.push_back({MatchSubText(m, page, rule.tindex),
                     ReplaceText(rule.pinurl, placeholder, id)});
  }
  return posts;
}

std::string Gbk(const std::string& utf8) {
  return ConvertEncoding(utf8, "UTF-8", "GBK").value_or("?");
}

struct FeedCase {
  std::string page;
  std::vector<Post> expected;
};

// Two posts per source, in each source's published feed format.
std::map<int, FeedCase> SampleFeeds() {
  std::map<int, FeedCase> feeds;
  feeds[7] = {
      "<?xml version=\"1.0\"?>\n<rss version=\"2.0\">\n<channel>\n"
      "<title>OzBargain</title>\n<link>https://www.ozbargain.com.au/</link>\n"
      "<item>\n\t<title>2TB SSD $99 @ Shop</title>\n"
      "\t<link>https://www.ozbargain.com.au/node/812345</link>\n"
      "\t<description>&lt;p&gt;It's back&lt;/p&gt;</description>\n</item>\n"
      "<item><title><![CDATA[Free Game \"X\"]]></title>"
      "<link>https://www.ozbargain.com.au/node/812346</link></item>\n"
      "</channel>\n</rss>\n",
      {{"2TB SSD $99 @ Shop", "https://www.ozbargain.com.au/node/812345"},
       {"Free Game X", "https://www.ozbargain.com.au/node/812346"}}};
  feeds[8] = {
      "<rss version=\"2.0\"><channel><title>feed</title>"
      "<item><title><![CDATA[显卡 限时特价 1999元]]></title>"
      "<link>https://www.smzdm.com/p/123456/</link>"
      "<description><![CDATA[<img src=\"a.jpg\"/>]]></description></item>"
      "<item><title>白菜价 耳机</title>"
      "<link><![CDATA[https://www.smzdm.com/p/123457/]]></link></item>"
      "</channel></rss>",
      {{Gbk("显卡 限时特价 1999元"), "https://www.smzdm.com/p/123456/"},
       {Gbk("白菜价 耳机"), "https://www.smzdm.com/p/123457/"}}};
  feeds[9] = {
      "<rss version=\"2.0\"><channel><title>Frontpage</title>"
      "<item><title>65\" TV $399</title>"
      "<link>https://slickdeals.net/f/17001234-65-tv?utm_source=rss&amp;"
      "utm_medium=RSS</link></item>"
      "<item><title>Mouse</title>"
      "<link>https://slickdeals.net/f/17001240-mouse</link></item>"
      // Through a feed proxy: the thread number is only in the guid.
      "<item><title>Proxied</title><link>http://feedproxy.example/~3/x/"
      "</link><guid isPermaLink=\"false\">thread-9365459</guid></item>"
      "</channel></rss>",
      {{"65 TV $399", "https://slickdeals.net/f/17001234"},
       {"Mouse", "https://slickdeals.net/f/17001240"},
       {"Proxied", "https://slickdeals.net/f/9365459"}}};
  feeds[10] = {
      "<rss version=\"2.0\"><channel><title>Hacker News</title>"
      "<item><title>Show HN: A thing</title><link>https://example.com/a</link>"
      "<pubDate>Mon, 1 Jan 2024 00:00:00 +0000</pubDate>"
      "<comments>https://news.ycombinator.com/item?id=39001234</comments>"
      "<description><![CDATA[<a href=\"https://news.ycombinator.com/"
      "item?id=39001234\">Comments</a>]]></description></item>"
      "<item><title>Ask HN: Why?</title>"
      "<link>https://news.ycombinator.com/item?id=39001235</link>"
      "<comments>https://news.ycombinator.com/item?id=39001235</comments>"
      "</item></channel></rss>",
      {{"Show HN: A thing", "https://news.ycombinator.com/item?id=39001234"},
       {"Ask HN: Why?", "https://news.ycombinator.com/item?id=39001235"}}};
  feeds[11] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>buildapcsales</title>"
      "<entry><author><name>/u/someone</name></author>"
      "<content type=\"html\">&lt;p&gt;deal&lt;/p&gt;</content>"
      "<id>t3_1abcde</id><link href=\"https://www.reddit.com/r/buildapcsales/"
      "comments/1abcde/gpu/\" /><updated>2024-01-01T00:00:00+00:00</updated>"
      "<title>[GPU] Card $299</title></entry>"
      "<entry><id>t3_1abcdf</id><title type=\"text\">[SSD] 2TB $89</title>"
      "</entry></feed>",
      {{"[GPU] Card $299",
        "https://www.reddit.com/r/buildapcsales/comments/1abcde/"},
       {"[SSD] 2TB $89",
        "https://www.reddit.com/r/buildapcsales/comments/1abcdf/"}}};
  feeds[13] = {
      "<rss version=\"2.0\"><channel><title>US news</title>"
      "<item><title>Storm hits coast</title>"
      "<link>https://www.theguardian.com/us-news/2024/jan/01/storm</link>"
      "<description>&lt;p&gt;Text&lt;/p&gt;</description></item>"
      "<item><title>Markets & more</title>"
      "<link>https://www.theguardian.com/business/2024/jan/01/markets</link>"
      "</item></channel></rss>",
      {{"Storm hits coast",
        "https://www.theguardian.com/us-news/2024/jan/01/storm"},
       {"Markets & more",
        "https://www.theguardian.com/business/2024/jan/01/markets"}}};
  return feeds;
}

TEST(DefaultDatabase, RulesAreUsableAndVaried) {
  const auto rules = LoadRuleRows(kTemplate);
  ASSERT_GE(rules.size(), 4u);
  std::set<int> ids, types;
  std::set<std::string> ticks;
  for (const auto& rule : rules) {
    EXPECT_TRUE(rule.id >= 1 && rule.id <= 18) << rule.id;
    // Ids that get site clean-up before matching would change the page.
    EXPECT_TRUE(rule.id > 6 && rule.id != 12) << rule.id;
    EXPECT_TRUE(ids.insert(rule.id).second) << "duplicate id " << rule.id;
    EXPECT_TRUE(ConvertEncoding(rule.name, "GBK", "UTF-8")) << rule.id;
    EXPECT_NE(FindText(rule.pinurl, "[" + std::to_string(rule.idindex) + "]"),
              -1)
        << rule.id;
    types.insert(rule.type == 8 ? 8 : 0);
    ticks.insert(rule.isdo == "1" ? "ticked" : "unticked");
  }
  EXPECT_EQ(types, (std::set<int>{0, 8}));
  EXPECT_EQ(ticks, (std::set<std::string>{"ticked", "unticked"}));
}

TEST(DefaultDatabase, EachRuleReadsItsSourceFormat) {
  const auto feeds = SampleFeeds();
  const auto rules = LoadRuleRows(kTemplate);
  ASSERT_FALSE(rules.empty());
  for (const auto& rule : rules) {
    auto feed = feeds.find(rule.id);
    ASSERT_NE(feed, feeds.end()) << "no sample feed for rule " << rule.id;
    EXPECT_EQ(Extract(rule, feed->second.page), feed->second.expected)
        << "rule " << rule.id;
    // An item without its id in front must not lend its title to the next.
    std::string page = feed->second.page;
    const bool atom = page.find("<entry>") != std::string::npos;
    page.insert(page.find(atom ? "<entry>" : "<item>"),
                atom ? "<entry><title>No id</title></entry>"
                     : "<item><title>No link</title></item>");
    EXPECT_EQ(Extract(rule, page), feed->second.expected) << "rule " << rule.id;
  }
}

TEST(DefaultDatabase, SettingsHoldKeywords) {
  Database db;
  RecordSet rs;
  ASSERT_TRUE(DbOpen(db, kTemplate));
  ASSERT_EQ(RunQuery(rs, db, kSettingsStatement), 1);
  auto rows = RsAllRows(rs);
  auto keywords = SplitText(rows(1, 1), "\r\n");
  EXPECT_GE(keywords.size(), 2u);
  for (const auto& k : keywords) EXPECT_FALSE(k.empty());
  EXPECT_EQ(keywords[0], Gbk("白菜"));
}

TEST(TestDatabase, LoaderEdgeRows) {
  const auto rules = LoadRuleRows(kBin + "testdata/qel6-test.sdb");
  std::vector<int> order;
  for (const auto& r : rules) order.push_back(r.id);
  EXPECT_EQ(order, (std::vector<int>{2, 1, 12, 6, 5, 4}));
  ASSERT_EQ(rules.size(), 6u);
  EXPECT_EQ(rules[0].name, Gbk("贝塔"));
  EXPECT_EQ(rules[0].lastid, 100);
  EXPECT_EQ(rules[4].isdo, " 1");
  EXPECT_EQ(rules[2].isgbk, "1");

  Database db;
  RecordSet rs;
  ASSERT_TRUE(DbOpen(db, kBin + "testdata/qel6-test.sdb"));
  ASSERT_EQ(RunQuery(rs, db, kSettingsStatement), 1);
  auto settings = RsAllRows(rs);
  EXPECT_EQ(settings(1, 1), Gbk("优惠") + "\r\nsale");
  EXPECT_EQ(CountStoredPosts(rs, db, "http://127.0.0.1/t/4711"), 1);
}

}  // namespace
}  // namespace dw
