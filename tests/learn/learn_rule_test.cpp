#include "learn/learn_rule.h"

#include <gtest/gtest.h>

#include "learn/learn_pages.h"
#include "runtime/encoding.h"
#include "store/rule_checks.h"

namespace dw {
namespace {

using testing::BuildPage;
using testing::ListPage;
using testing::PagePost;

std::string Gbk(const std::string& utf8) {
  return ConvertEncoding(utf8, "UTF-8", "GBK").value();
}
std::string Utf8(const std::string& gbk) {
  return ConvertEncoding(gbk, "GBK", "UTF-8").value_or("?");
}
std::string N(int n) { return std::to_string(n); }
RuleRow RowWithId(int id) {
  RuleRow row;
  row.id = id;
  return row;
}

const char kHtmlHead[] =
    "<html><head><meta charset=\"utf-8\"><title>Deals board</title></head>"
    "<body><div id=\"nav\"><a href=\"/\">Home</a></div>\n";
const char kHtmlFoot[] = "\n<div id=\"foot\">(c) board</div></body></html>";

ListPage TableRows() {
  return BuildPage(
      std::string(kHtmlHead) + "<table id=\"threads\">\n",
      "</table>" + std::string(kHtmlFoot), 6, [](int n, PagePost& post) {
        post = {"Cheap monitor " + N(n) + " &amp; stand",
                "https://bbs.example/t/" + N(100 + n) + ".html"};
        post.title = "Cheap monitor " + N(n) + " & stand";
        return "<tr class=\"row\">\n\t<td class=\"t\"><a href=\"/t/" +
               N(100 + n) + ".html\" target=\"_blank\">Cheap monitor " + N(n) +
               " &amp; stand</a></td>\n\t<td class=\"by\">user" + N(n * 7) +
               "</td><td>" + N(n * 3) + " replies</td></tr>\n";
      });
}

ListPage DivCards() {
  return BuildPage(
      std::string(kHtmlHead) + "<div class=\"cards\">",
      "</div>" + std::string(kHtmlFoot), 5, [](int n, PagePost& post) {
        post = {"Card deal \xE2\x80\x9C" + N(n) + "\xE2\x80\x9D",
                "https://shop.example/deal?id=" + N(2000 + n) + "&from=list"};
        return "<div class=\"card\"><h3 class=\"t\"><a "
               "href=\"https://shop.example/deal?id=" +
               N(2000 + n) + "&amp;from=list\">Card deal \xE2\x80\x9C" + N(n) +
               "\xE2\x80\x9D</a></h3><p class=\"d\">Was " + N(n * 13) +
               " now less.</p></div>\n";
      });
}

// Relative links ("../") and the page's own address as their base.
ListPage ListItems() {
  return BuildPage(
      std::string(kHtmlHead) + "<ul class=\"posts\">\n",
      "</ul>" + std::string(kHtmlFoot), 4, [](int n, PagePost& post) {
        post = {"Item " + N(n) + " for sale",
                "https://bbs.example/forum/item.php?tid=" + N(300 + n)};
        return "  <li><span class=\"time\">12:0" + N(n) +
               "</span> <a href=\"../forum/item.php?tid=" + N(300 + n) +
               "\">Item " + N(n) + " for sale</a></li>\n";
      });
}

ListPage Rss2(bool cdata) {
  return BuildPage(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss "
      "version=\"2.0\"><channel>"
      "<title>Feed</title><link>https://feed.example/</link>\n",
      "</channel></rss>", 5, [cdata](int n, PagePost& post) {
        post = {"Feed & deal " + N(n),
                "https://feed.example/p/" + N(50 + n) + "/"};
        const std::string title = cdata ? "<![CDATA[Feed & deal " + N(n) + "]]>"
                                        : "Feed &amp; deal " + N(n);
        return "<item>\n  <title>" + title +
               "</title>\n  <link>https://feed.example/p/" + N(50 + n) +
               "/</link>\n  "
               "<description>&lt;p&gt;text&lt;/p&gt;</description>\n</item>\n";
      });
}

ListPage Rss1() {
  return BuildPage(
      "<?xml version=\"1.0\"?><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
      "xmlns=\"http://purl.org/rss/1.0/\"><channel "
      "rdf:about=\"https://r1.example/\">"
      "<title>R1</title><link>https://r1.example/</link></channel>\n",
      "</rdf:RDF>", 4, [](int n, PagePost& post) {
        post = {"Story " + N(n), "https://r1.example/story/" + N(n)};
        return "<item rdf:about=\"https://r1.example/story/" + N(n) +
               "\"><title>Story " + N(n) +
               "</title><link>https://r1.example/story/" + N(n) +
               "</link></item>\n";
      });
}

ListPage Atom() {
  return BuildPage(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed "
      "xmlns=\"http://www.w3.org/2005/Atom\">"
      "<title>Atom deals</title><link href=\"https://atom.example/\"/>\n",
      "</feed>", 4, [](int n, PagePost& post) {
        post = {"Entry " + N(n), "https://atom.example/e/" + N(700 + n)};
        return "<entry><id>tag:atom.example," + N(n) +
               "</id><title type=\"text\">Entry " + N(n) +
               "</title><link rel=\"alternate\" "
               "href=\"https://atom.example/e/" +
               N(700 + n) + "\"/><updated>2026-01-0" + N(n) +
               "T10:00:00Z</updated></entry>\n";
      });
}

// A GBK page declared as such, titles in Chinese.
ListPage GbkPage() {
  ListPage page = BuildPage(
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=gb2312\">"
      "</head><body><div class=\"list\">\n",
      "</div></body></html>", 5, [](int n, PagePost& post) {
        post = {"\xE4\xBC\x98\xE6\x83\xA0\xE5\x88\xB8 " + N(n),
                "https://gbk.example/thread-" + N(n) + "-1-1.html"};
        return "<p><a href=\"thread-" + N(n) +
               "-1-1.html\" class=\"s "
               "xst\">\xE4\xBC\x98\xE6\x83\xA0\xE5\x88\xB8 " +
               N(n) + "</a><em>" + N(n) + "</em></p>\n";
      });
  page.bytes = Gbk(page.bytes);
  return page;
}

// Rows whose titles carry <b> here and there, an advert row and a pinned
// post among them.
ListPage MixedRows() {
  ListPage page = BuildPage(
      std::string(kHtmlHead) +
          "<table class=\"list\">\n"
          "<tr class=\"pin\"><td><a href=\"/t/1.html\" "
          "class=\"t\"><b>Pinned:</b> read the rules</a></td></tr>\n",
      "</table>" + std::string(kHtmlFoot), 5, [](int n, PagePost& post) {
        // The engine shows a title without the markup inside it.
        post = {"Deal " + N(n) + " half price",
                "https://bbs.example/t/" + N(10 + n) + ".html"};
        std::string row = "<tr><td><a href=\"/t/" + N(10 + n) +
                          ".html\" class=\"t\">Deal " + N(n) +
                          (n == 2 ? " <b>half</b> price" : " half price") +
                          "</a></td></tr>\n";
        if (n == 3) {
          row +=
              "<tr class=\"ad\"><td><a href=\"https://ads.example/c?u=9\" "
              "class=\"ad\">Buy now</a></td></tr>\n";
        }
        return row;
      });
  page.posts.insert(page.posts.begin(),
                    {"Pinned: read the rules", "https://bbs.example/t/1.html"});
  return page;
}

// A side list first whose titles, cut short by the site, begin with the
// example's.
ListPage HotTopicsFirst() {
  std::string hot = "<ul class=\"hot\">";
  for (int n = 10; n <= 19; ++n) {
    hot += "<li><a href=\"/hot/" + N(n) + "\">Topic " + N(n) +
           " \xE2\x80\xA6</a></li>";
  }
  return BuildPage(
      std::string(kHtmlHead) + hot + "</ul>\n<ul class=\"topics\">\n",
      "</ul>" + std::string(kHtmlFoot), 5, [](int n, PagePost& post) {
        post = {"Topic " + N(n), "https://bbs.example/topic/" + N(n)};
        return "<li class=\"t\"><a href=\"/topic/" + N(n) + "\">Topic " + N(n) +
               "</a> <span>by user" + N(n) + "</span></li>\n";
      });
}

// Each title before its post's link, as the next post's link comes after it.
ListPage TitleThenLink() {
  return BuildPage(
      std::string(kHtmlHead) + "<ul class=\"posts\">\n",
      "</ul><p><a href=\"/p/99\">older</a></p>" + std::string(kHtmlFoot), 5,
      [](int n, PagePost& post) {
        post = {"Offer " + N(n) + " today",
                "https://bbs.example/p/" + N(40 + n)};
        return "<li><b class=\"t\">Offer " + N(n) + " today</b> <a href=\"/p/" +
               N(40 + n) + "\">read</a></li>\n";
      });
}

// The page with another charset declared than its bytes are in.
ListPage Declaring(ListPage page, const std::string& from,
                   const std::string& to) {
  page.bytes.replace(page.bytes.find(from), from.size(), to);
  return page;
}

// The page in UTF-16 with a byte order mark, its declaration left saying
// UTF-8.
ListPage InUtf16(ListPage page) {
  page.bytes = ConvertEncoding(page.bytes, "UTF-8", "UTF-16").value();
  return page;
}

struct LearnCase {
  const char* name;
  ListPage page;
  std::string url;
  std::vector<std::string> examples;  // UTF-8
  const char* isgbk;
};

TEST(LearnRule, FirstProposalFindsEveryPostWithItsTitleAndLink) {
  const LearnCase cases[] = {
      {"table rows",
       TableRows(),
       "https://bbs.example/forum-2.html",
       {"Cheap monitor 2 & stand"},
       "0"},
      {"div cards, two examples",
       DivCards(),
       "https://shop.example/",
       {"card deal \xE2\x80\x9C"
        "1\xE2\x80\x9D",
        "Card deal \xE2\x80\x9C"
        "4\xE2\x80\x9D"},
       "0"},
      {"list items, relative links",
       ListItems(),
       "https://bbs.example/board/list.php?page=1",
       {"Item 3 for sale"},
       "0"},
      {"RSS 2.0, no example", Rss2(false), "https://feed.example/rss", {}, "0"},
      {"RSS 2.0, CDATA titles",
       Rss2(true),
       "https://feed.example/rss",
       {"Feed & deal 2"},
       "0"},
      {"RSS 1.0", Rss1(), "https://r1.example/index.rdf", {}, "0"},
      {"Atom", Atom(), "https://atom.example/feed", {}, "0"},
      {"GBK page",
       GbkPage(),
       "https://gbk.example/forum-1-1.html",
       {"\xE4\xBC\x98\xE6\x83\xA0\xE5\x88\xB8 2"},
       "1"},
      {"an example that begins other titles",
       HotTopicsFirst(),
       "https://bbs.example/",
       {"Topic 1"},
       "0"},
      {"each title before its link",
       TitleThenLink(),
       "https://bbs.example/",
       {"Offer 2 today"},
       "0"},
      {"UTF-16 page",
       InUtf16(DivCards()),
       "https://shop.example/",
       {"Card deal \xE2\x80\x9C"
        "2\xE2\x80\x9D"},
       "0"},
      {"GBK page declaring UTF-8",
       Declaring(GbkPage(), "gb2312", "utf-8"),
       "https://gbk.example/forum-1-1.html",
       {"\xE4\xBC\x98\xE6\x83\xA0\xE5\x88\xB8 2"},
       "1"},
      {"UTF-8 page declaring GBK",
       Declaring(DivCards(), "utf-8", "gbk"),
       "https://shop.example/",
       {"Card deal \xE2\x80\x9C"
        "1\xE2\x80\x9D"},
       "0"},
      {"inline <b>, advert row, pinned post",
       MixedRows(),
       "https://bbs.example/",
       {"Deal 1 half price", "Pinned: read the rules"},
       "0"},
      {"shortened example",
       TableRows(),
       "https://bbs.example/forum-2.html",
       {"Cheap monitor 4 &..."},
       "0"},
  };
  for (const LearnCase& c : cases) {
    SCOPED_TRACE(c.name);
    LearnRequest request;
    request.url = c.url;
    request.page_bytes = c.page.bytes;
    for (const std::string& example : c.examples)
      request.examples.push_back(Gbk(example));
    const LearnResult result = LearnRule(request);
    ASSERT_EQ(result.failed, LearnFailure::kNone) << result.message;
    ASSERT_FALSE(result.proposals.empty());
    ASSERT_LE(result.proposals.size(), 3u);
    const Proposal& best = result.proposals.front();
    EXPECT_EQ(best.rule.id, 19);
    EXPECT_EQ(best.rule.isgbk, c.isgbk);
    for (const RuleProblem& problem : CheckRule(best.rule)) {
      EXPECT_TRUE(problem.warning) << problem.column << " " << problem.message;
    }
    ASSERT_EQ(best.posts.size(), c.page.posts.size()) << Utf8(best.rule.reg);
    for (size_t i = 0; i < best.posts.size(); ++i) {
      EXPECT_EQ(Utf8(best.posts[i].title), c.page.posts[i].title);
      EXPECT_EQ(best.posts[i].link, c.page.posts[i].link);
    }
    // The other proposals may find other posts, but never give a post's
    // title another post's link.
    for (const Proposal& other : result.proposals) {
      for (const FoundPost& post : other.posts) {
        for (const PagePost& on_page : c.page.posts) {
          if (on_page.title == Utf8(post.title)) {
            EXPECT_EQ(post.link, on_page.link) << on_page.title;
          }
        }
      }
    }
  }
}

TEST(LearnRule, SaysWhyNothingIsProposed) {
  std::vector<RuleRow> full;
  for (int id = 1; id <= kLastRuleId; ++id) full.push_back(RowWithId(id));
  std::vector<RuleRow> some = {RowWithId(7), RowWithId(8)};
  const std::string announcing =
      "<html><head><link rel=\"alternate\" type=\"application/rss+xml\" "
      "href=\"/feed.xml\">"
      "</head><body><p>Nothing here</p></body></html>";
  struct Case {
    const char* name;
    std::string page;
    std::vector<std::string> examples;
    std::vector<RuleRow> rows;
    LearnFailure failed;
    const char* message;
  } cases[] = {
      {"example not on the page",
       TableRows().bytes,
       {"Cheap monitor 9 & stand"},
       some,
       LearnFailure::kExamplesNotFound,
       "页面源码中没有这个标题：可能由脚本生成"},
      {"no list around the example",
       announcing,
       {"Nothing here"},
       some,
       LearnFailure::kNoStructure,
       "页面声明了订阅源：https://bbs.example/feed.xml"},
      {"page too large",
       std::string(kLargestLearnedPage + 1, ' '),
       {"x"},
       some,
       LearnFailure::kPageTooLarge,
       "页面太大（4 MB）：学习只读 4 MB 以内的页面"},
      {"every clean id taken",
       TableRows().bytes,
       {"Cheap monitor 2 & stand"},
       full,
       LearnFailure::kNoFreeId,
       "没有空闲的规则编号"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LearnRequest request;
    request.url = "https://bbs.example/list";
    request.page_bytes = c.page;
    request.examples = c.examples;
    request.rows = c.rows;
    const LearnResult result = LearnRule(request);
    EXPECT_EQ(result.failed, c.failed);
    EXPECT_TRUE(result.proposals.empty());
    EXPECT_NE(result.message.find(c.message), std::string::npos)
        << result.message;
  }
}

}  // namespace
}  // namespace dw
