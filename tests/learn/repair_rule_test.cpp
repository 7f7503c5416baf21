#include "learn/repair_rule.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "learn/learn_pages.h"
#include "runtime/encoding.h"

namespace dw {
namespace {

using testing::BuildPage;
using testing::ListPage;
using testing::PagePost;

std::string N(int n) { return std::to_string(n); }
StoredPost Stored(const std::string& title, const std::string& url) {
  StoredPost post;
  post.title = title;
  post.url = url;
  return post;
}

// One forum's list before and after a redesign: `row` writes post n, whose
// link it is given as the page writes it.
ListPage Forum(const std::string& list_open, const std::string& list_close,
               std::string (*row)(int n, const std::string& href),
               bool absolute_links) {
  return BuildPage(
      "<html><head><meta charset=\"utf-8\"><title>Board</title></head><body>"
      "<div id=\"menu\"><a href=\"/\">Home</a></div>\n" +
          list_open,
      list_close + "<div id=\"foot\">end</div></body></html>", 6,
      [&](int n, PagePost& post) {
        post = {"Topic " + N(n) + " on sale",
                "https://bbs.example/t/" + N(900 + n) + ".html"};
        return row(n,
                   absolute_links ? post.link : "/t/" + N(900 + n) + ".html");
      });
}

std::string OldRow(int n, const std::string& href) {
  return "<tr class=\"row\"><td class=\"t\"><a href=\"" + href +
         "\" class=\"xst\">Topic " + N(n) +
         " on sale</a></td><td class=\"by\">u" + N(n) + "</td></tr>\n";
}
std::string RenamedRow(int n, const std::string& href) {
  return "<tr class=\"item\"><td class=\"subject\"><a href=\"" + href +
         "\" class=\"title-link\">Topic " + N(n) +
         " on sale</a></td><td class=\"who\">u" + N(n) + "</td></tr>\n";
}
std::string WrappedRow(int n, const std::string& href) {
  return "<tr class=\"row\"><td class=\"t\"><a href=\"" + href +
         "\" class=\"xst\"><span class=\"w\">Topic " + N(n) +
         " on sale</span></a></td><td class=\"by\">u" + N(n) + "</td></tr>\n";
}
std::string CardRow(int n, const std::string& href) {
  return "<div class=\"topic\"><h4><a href=\"" + href + "\">Topic " + N(n) +
         " on sale</a></h4><span class=\"by\">u" + N(n) + "</span></div>\n";
}

TEST(RepairRule, RedesignedPagesKeepStoredLinks) {
  LearnRequest learn;
  learn.url = "https://bbs.example/forum-1.html";
  learn.page_bytes =
      Forum("<table id=\"threads\">\n", "</table>", OldRow, false).bytes;
  learn.examples = {"Topic 2 on sale"};
  const LearnResult learned = LearnRule(learn);
  ASSERT_FALSE(learned.proposals.empty()) << learned.message;
  const RuleRow old = learned.proposals.front().rule;
  // The newest stored posts; post 1 came after the redesign.
  std::vector<StoredPost> stored;
  for (const FoundPost& post : learned.proposals.front().posts) {
    if (post.id != "901") stored.push_back(Stored(post.title, post.link));
  }
  struct Case {
    const char* name;
    ListPage page;
    bool old_rule_breaks;  // a wrapper inside the title shows as before
  } cases[] = {
      {"renamed classes",
       Forum("<table id=\"topics\">\n", "</table>", RenamedRow, false), true},
      {"an extra wrapper",
       Forum("<div class=\"wrap\"><table id=\"threads\">\n", "</table></div>",
             WrappedRow, false),
       false},
      {"rows turned into cards",
       Forum("<section id=\"list\">\n", "</section>", CardRow, false), true},
      {"links made absolute",
       Forum("<table id=\"threads\">\n", "</table>", OldRow, true), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RepairRequest repair{old, stored, c.page.bytes};
    const LearnResult result = RepairRule(repair);
    ASSERT_EQ(result.failed, LearnFailure::kNone) << result.message;
    const Proposal& best = result.proposals.front();
    EXPECT_EQ(best.announced_again, 0);
    EXPECT_NE(best.note.find(std::to_string(stored.size()) +
                             " 个已存的帖子按原链接找回，不会再次提醒"),
              std::string::npos)
        << best.note;
    EXPECT_EQ(best.rule.id, old.id);
    EXPECT_EQ(best.rule.name, old.name);
    EXPECT_EQ(best.changed.empty(), !c.old_rule_breaks);
    EXPECT_EQ(std::count(best.changed.begin(), best.changed.end(), "url"), 0);
    ASSERT_EQ(best.posts.size(), c.page.posts.size());
    for (size_t i = 0; i < best.posts.size(); ++i) {
      EXPECT_EQ(best.posts[i].title, c.page.posts[i].title);
      EXPECT_EQ(best.posts[i].link, c.page.posts[i].link);
    }
  }
}

TEST(RepairRule, CountsStoredPostsAnnouncedAgainAndSaysWhyNot) {
  RuleRow rule;
  rule.id = 9;
  rule.url = "https://bbs.example/forum-1.html";
  const std::string page =
      Forum("<table id=\"threads\">\n", "</table>", OldRow, false).bytes;
  // Stored under links the page no longer gives.
  std::vector<StoredPost> moved;
  for (int n = 1; n <= 4; ++n)
    moved.push_back(
        Stored("Topic " + N(n) + " on sale", "https://old.example/" + N(n)));
  const LearnResult again = RepairRule({rule, moved, page});
  ASSERT_FALSE(again.proposals.empty()) << again.message;
  EXPECT_EQ(again.proposals.front().announced_again, 4);
  EXPECT_NE(again.proposals.front().note.find("4 个已存的帖子换了链接"),
            std::string::npos);

  const LearnResult none = RepairRule({rule, {}, page});
  EXPECT_EQ(none.failed, LearnFailure::kNoStoredPosts);
  const LearnResult gone = RepairRule(
      {rule, {Stored("Vanished topic", "https://bbs.example/t/1.html")}, page});
  EXPECT_EQ(gone.failed, LearnFailure::kExamplesNotFound);
}

}  // namespace
}  // namespace dw
