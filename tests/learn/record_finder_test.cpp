// Pages with the traps real list pages set, each learned from two example
// titles: the first proposal must find exactly the list a reader sees.
#include <gtest/gtest.h>

#include "learn/json_records.h"
#include "learn/learn_pages.h"
#include "learn/learn_rule.h"
#include "learn/link_rank.h"
#include "runtime/encoding.h"

namespace dw {
namespace {

using testing::BuildPage;
using testing::ListPage;
using testing::PagePost;

std::string N(int n) { return std::to_string(n); }
std::string Utf8(const std::string& gbk) {
  return ConvertEncoding(gbk, "GBK", "UTF-8").value_or("?");
}

const char kHead[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Board</title>"
    "</head><body>\n";
const char kFoot[] = "<div id=\"foot\">(c)</div></body></html>";

// Stories whose titles leave the site; each has a vote arrow, a user and
// its discussion page in a second row; a job ad has only the last.
ListPage VotedStories() {
  return BuildPage(
      std::string(kHead) + "<table class=\"items\">\n",
      "</table>" + std::string(kFoot), 6, [](int n, PagePost& post) {
        post = {"Story " + N(n), "https://news.example/item?id=" + N(900 + n)};
        const bool job = n == 4;
        return "<tr class=\"story\"><td>" +
               (job ? std::string()
                    : "<a href=\"vote?id=" + N(900 + n) +
                          "&amp;how=up\">^</a>") +
               "</td><td><a href=\"https://elsewhere" + N(n) +
               ".example/a\">Story " + N(n) + "</a></td></tr>\n<tr><td>" +
               (job ? std::string()
                    : "<a href=\"user?id=u" + N(n) + "\">u</a> ") +
               "<a href=\"item?id=" + N(900 + n) + "\">" + N(n) +
               " hours ago</a></td></tr>\n";
      });
}

// Rows with page numbers, the last post and the author beside the title.
ListPage BusyRows() {
  return BuildPage(
      std::string(kHead) + "<ul class=\"threads\">\n",
      "</ul>" + std::string(kFoot), 5, [](int n, PagePost& post) {
        post = {"Thread " + N(n), "https://bbs.example/t/" + N(40 + n)};
        return "<li class=\"thread\"><a class=\"title\" href=\"/t/" +
               N(40 + n) + "\">Thread " + N(n) +
               "</a> <span>Pages: <a href=\"/t/" + N(40 + n) +
               "?page=2\">2</a> <a href=\"/t/" + N(40 + n) +
               "?page=3\">3</a></span> <a href=\"/member/" + N(n) +
               "\">someone</a> <a href=\"/t/" + N(40 + n) +
               "?goto=lastpost\">Last post by: x</a></li>\n";
      });
}

std::string Item(int n, const char* kind) {
  return "<li class=\"" + std::string(kind) + "\"><a href=\"/p/" + N(n) +
         "\">Deal " + N(n) + "</a></li>\n";
}

// A side box repeating three of the posts before the list, and an advert
// that copies a post with a class of its own.
ListPage SideBoxAndAdvert() {
  ListPage page = BuildPage(
      std::string(kHead) + "<ul class=\"hot\">" + Item(2, "deal") +
          Item(3, "deal") + Item(5, "deal") + "</ul>\n<ul class=\"deals\">\n",
      "</ul>" + std::string(kFoot), 6, [](int n, PagePost& post) {
        post = {"Deal " + N(n), "https://deals.example/p/" + N(n)};
        return Item(n, n % 2 ? "deal odd" : "deal even") +
               (n == 3 ? Item(3, "deal odd is-sponsored") : std::string());
      });
  return page;
}

// A pinned row of a near kind first (no post), and a photo card of a near
// kind among the cards (a post).
ListPage PinnedAndPhotoCard() {
  ListPage page = BuildPage(
      std::string(kHead) + "<ul class=\"feed\">" +
          "<li class=\"card card-sticky\"><a href=\"/n/1\">Read me</a></li>\n",
      "</ul>" + std::string(kFoot), 5, [](int n, PagePost& post) {
        post = {"Card " + N(n), "https://c.example/n/" + N(10 + n)};
        const char* kind = n == 4 ? "card card-photo" : "card card-text";
        return "<li class=\"" + std::string(kind) + "\"><a href=\"/n/" +
               N(10 + n) + "\">Card " + N(n) + "</a></li>\n";
      });
  return page;
}

// Titles the site cuts, whole in each link's title attribute.
ListPage CutTitles() {
  return BuildPage(
      std::string(kHead) + "<ol class=\"topics\">\n",
      "</ol>" + std::string(kFoot), 4, [](int n, PagePost& post) {
        const std::string whole = "A rather long topic title number " + N(n);
        post = {n == 2 ? "Short " + N(n) : whole,
                "https://f.example/t/" + N(n)};
        const std::string shown =
            n == 2 ? "Short 2" : whole.substr(0, 20) + "...";
        return "<li class=\"topic\"><a href=\"/t/" + N(n) + "\" title=\"" +
               (n == 2 ? "Short 2" : whole) + "\">" + shown + "</a></li>\n";
      });
}

// Groups one after another under headings in one parent: only the
// examples' group is the list.
ListPage GroupsUnderHeadings() {
  std::string html = std::string(kHead) + "<div class=\"main\">\n";
  ListPage page;
  for (int group = 0; group < 3; ++group) {
    html += "<div class=\"heading\"><h3>Group " + N(group) + "</h3></div>\n";
    for (int k = 1; k <= 4; ++k) {
      const int n = group * 10 + k;
      html += "<div class=\"entry\"><h3><a href=\"/news/" + N(n) +
              ".html\">News " + N(n) + "</a></h3><p>" +
              std::string(static_cast<size_t>(n * 7), 'x') +
              " <a class=\"time\" href=\"/news/" + N(n) + ".html\">9:0" + N(k) +
              "</a></p></div>\n";
      if (group == 1) {
        page.posts.push_back(
            {"News " + N(n), "https://news.example/news/" + N(n) + ".html"});
      }
    }
  }
  page.bytes = html + "</div>" + kFoot;
  return page;
}

// One column split into two blocks of its kind, beside another column.
ListPage SplitColumn() {
  std::string html = std::string(kHead) + "<div class=\"col it\">";
  ListPage page;
  for (int block = 0; block < 2; ++block) {
    html += "<div class=\"block\"><ul>";
    for (int k = 1; k <= 3; ++k) {
      const int n = block * 3 + k;
      html += "<li><a href=\"/a/" + N(n) + "?spm=it." + N(block) + "\">It " +
              N(n) + "</a></li>";
      page.posts.push_back({"It " + N(n), "https://site.example/a/" + N(n) +
                                              "?spm=it." + N(block)});
    }
    html += "</ul></div>\n";
  }
  html += "</div><div class=\"col sport\"><div class=\"block\"><ul>";
  for (int n = 1; n <= 3; ++n) {
    html += "<li><a href=\"/a/" + N(50 + n) + "?spm=sport\">Sport " + N(n) +
            "</a></li>";
  }
  page.bytes = html + "</ul></div></div>" + kFoot;
  return page;
}

// A list inside a container whose class is a build hash; titles with
// entities, and a preview of varying length between them.
ListPage HashedContainer() {
  return BuildPage(
      std::string(kHead) +
          "<section id=\"topics\"><div class=\"list data-v-f573cf64\">\n",
      "</div></section>" + std::string(kFoot), 5, [](int n, PagePost& post) {
        post = {"A > B, round " + N(n) + " & more",
                "https://q.example/topic/" + N(n)};
        return "<div class=\"topic\"><a href=\"/topic/" + N(n) +
               "\">A &gt; B, round " + N(n) +
               " &amp; more</a><div class=\"preview\">" +
               std::string(static_cast<size_t>(n * 40), 'p') +
               "<img src=\"/i/" + N(n) + ".png\"></div></div>\n";
      });
}

// A JSON answer: each post wraps its fields, titles written with \u
// escapes, an external url beside the site's own relative permalink.
ListPage JsonAnswer() {
  ListPage page = BuildPage(
      "{\"kind\": \"Listing\", \"data\": {\"children\": [", "]}}", 4,
      [](int n, PagePost& post) {
        post = {"Caf\xC3\xA9 deal " + N(n),
                "https://j.example/r/deals/" + N(n) + "/"};
        return std::string(n > 1 ? ", " : "") +
               "{\"kind\": \"t3\", \"data\": {\"url\": \"https://out" + N(n) +
               ".example/x\", \"title\": \"Caf\\u00e9 deal " + N(n) +
               "\", \"permalink\": \"/r/deals/" + N(n) +
               "/\", \"score\": " + N(n * 3) + "}}";
      });
  return page;
}

// JSON a script assigns, with a flagged advert among the entries.
ListPage ScriptJson() {
  ListPage page = BuildPage(
      std::string(kHead) +
          "<div id=\"app\"></div><script>window.__STATE__ = {\"items\": [",
      "]};</script>" + std::string(kFoot), 5, [](int n, PagePost& post) {
        post = {"Phone " + N(n), "https://m.example/item/" + N(n)};
        std::string entry =
            std::string(n > 1 ? "," : "") + "{\"name\":\"Phone " + N(n) +
            "\",\"url\":\"\\/item\\/" + N(n) + "\",\"ad\":false}";
        if (n == 2)
          entry +=
              ",{\"name\":\"Phone 9\",\"url\":\"\\/item\\/9\",\"ad\":true}";
        return entry;
      });
  return page;
}

// Atom entries of link posts point elsewhere; their ids are the blog's own.
ListPage AtomLinkPosts() {
  return BuildPage(
      "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
      "<title>Blog</title><link href=\"https://blog.example/\"/>\n",
      "</feed>", 4, [](int n, PagePost& post) {
        post = {"Link: thing " + N(n), "https://blog.example/?p=" + N(n)};
        return "<entry><title type=\"html\">Link: thing " + N(n) +
               "</title><link rel=\"alternate\" href=\"https://other" + N(n) +
               ".example/\"/><id>https://blog.example/?p=" + N(n) +
               "</id></entry>\n";
      });
}

TEST(RecordFinder, FirstProposalIsTheListAReaderSees) {
  struct Case {
    const char* name;
    ListPage page;
    std::string url;
    std::vector<std::string> examples;  // UTF-8
  } cases[] = {
      {"vote arrows, out-links, a job ad",
       VotedStories(),
       "https://news.example/",
       {"Story 2", "Story 5"}},
      {"page numbers and last posts",
       BusyRows(),
       "https://bbs.example/forum",
       {"Thread 2", "Thread 5"}},
      {"side box and an advert copy",
       SideBoxAndAdvert(),
       "https://deals.example/",
       {"Deal 2", "Deal 5"}},
      {"pinned row, photo card",
       PinnedAndPhotoCard(),
       "https://c.example/",
       {"Card 2", "Card 3"}},
      {"cut titles, whole in the title attribute",
       CutTitles(),
       "https://f.example/",
       {"Short 2", "A rather long topic ..."}},
      {"groups under headings",
       GroupsUnderHeadings(),
       "https://news.example/",
       {"News 12", "News 13"}},
      {"one column in two blocks",
       SplitColumn(),
       "https://site.example/",
       {"It 2", "It 3"}},
      {"hashed container, entities, previews",
       HashedContainer(),
       "https://q.example/",
       {"A > B, round 2 & more", "A > B, round 4 & more"}},
      {"JSON answer",
       JsonAnswer(),
       "https://j.example/r/deals/.json",
       {"Caf\xC3\xA9 deal 2", "Caf\xC3\xA9 deal 3"}},
      {"JSON in a script",
       ScriptJson(),
       "https://m.example/list",
       {"Phone 2", "Phone 4"}},
      {"Atom link posts", AtomLinkPosts(), "https://blog.example/feed", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LearnRequest request;
    request.url = c.url;
    request.page_bytes = c.page.bytes;
    for (const std::string& example : c.examples) {
      request.examples.push_back(
          ConvertEncoding(example, "UTF-8", "GBK").value());
    }
    const LearnResult result = LearnRule(request);
    ASSERT_EQ(result.failed, LearnFailure::kNone) << result.message;
    const Proposal& best = result.proposals.front();
    EXPECT_EQ(best.rule.before.find("f573cf64"), std::string::npos);
    ASSERT_EQ(best.posts.size(), c.page.posts.size()) << best.rule.reg;
    for (size_t i = 0; i < best.posts.size(); ++i) {
      EXPECT_EQ(Utf8(best.posts[i].title), c.page.posts[i].title);
      EXPECT_EQ(Utf8(best.posts[i].link), c.page.posts[i].link);
    }
  }
}

TEST(RecordFinder, LinksThatActAreNoPostsOwnPage) {
  struct Case {
    const char* link;
    bool acts;
  } cases[] = {
      {"https://n.example/vote?id=1&how=up", true},
      {"https://n.example/item?id=1", false},
      {"https://b.example/forum.php?mod=viewthread&tid=2&extra=page%3D1",
       false},
      {"https://b.example/t/2?page=3", true},
      {"https://b.example/showthread.php?t=2&goto=lastpost", true},
      {"https://b.example/space-uid-7.html", true},
      {"https://p.example/posts/9/hit", true},
      {"https://s.example/search?nid=9", true},
      {"https://r.example/r/x/comments/ab12/title/", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsActionLink(c.link), c.acts) << c.link;
  }
  EXPECT_TRUE(
      SameSite("https://item.shop.com.cn/1", "https://www.shop.com.cn/"));
  EXPECT_FALSE(SameSite("https://detail.mall.com/1", "https://s.shop.com/"));
}

TEST(RecordFinder, JsonStringsDecodeAsWritten) {
  struct Case {
    const char* raw;
    const char* utf8;
  } cases[] = {
      {"a\\\"b\\\\c\\/d", "a\"b\\c/d"},
      {"caf\\u00e9", "caf\xC3\xA9"},
      {"\\ud83d\\udd25 hot", "\xF0\x9F\x94\xA5 hot"},
      {"lone \\ud83d half", "lone \xEF\xBF\xBD half"},
      {"bad \\u12G4 and \\q", "bad \\u12G4 and \\q"},
      {"cut \\u00", "cut \\u00"},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> origin;
    const std::string decoded = DecodeJsonText(c.raw, &origin);
    EXPECT_EQ(decoded, c.utf8) << c.raw;
    ASSERT_EQ(origin.size(), decoded.size() + 1);
    EXPECT_EQ(origin.back(), std::string_view(c.raw).size());
  }
}

TEST(RecordFinder, RuleIsNamedAfterItsPage) {
  struct Case {
    const char* head;
    const char* name;
  } cases[] = {
      {"<title>(3) Deals board</title>", "Deals board"},
      {"", "bbs.example"},
  };
  for (const Case& c : cases) {
    const ListPage page = BuildPage(
        std::string("<html><head>") + c.head + "</head><body><ul>\n",
        "</ul></body></html>", 4, [](int n, PagePost& post) {
          post = {"Post " + N(n), "https://bbs.example/t/" + N(n)};
          return "<li><a href=\"/t/" + N(n) + "\">Post " + N(n) + "</a></li>\n";
        });
    LearnRequest request;
    request.url = "https://bbs.example/list";
    request.page_bytes = page.bytes;
    request.examples = {"Post 2", "Post 3"};
    const LearnResult result = LearnRule(request);
    ASSERT_EQ(result.failed, LearnFailure::kNone) << result.message;
    EXPECT_EQ(Utf8(result.proposals.front().rule.name), c.name);
  }
}

}  // namespace
}  // namespace dw
