// Whole rounds over pages whose bytes once lost posts or spoiled titles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "round_fixture.h"

namespace dw::testing {
namespace {

class PageTextRoundTest : public RoundTest {
 protected:
  // Twenty posts with ids from `first` up, the highest on top.
  static std::vector<PagePost> TwentyPosts(int first) {
    std::vector<PagePost> posts;
    for (int id = first + 19; id >= first; --id) {
      posts.push_back({std::to_string(id), "Deal " + std::to_string(id)});
    }
    return posts;
  }

  // Serves `page` (GBK, or turned to UTF-8) to a rule of its own.
  void AddRule(int id, std::string page, bool gbk) {
    RuleRow rule =
        ListRule(id, "R" + std::to_string(id),
                 WritePage(std::to_string(id), gbk ? page : GbkToUtf8(page)));
    rule.isgbk = gbk ? "1" : "0";
    db_.AddRule(rule);
  }

  std::vector<std::string> StoredTitles() {
    std::vector<std::string> titles;
    for (const InfoRow& row : db_.Info()) titles.push_back(row.title);
    return titles;
  }
};

std::string Replaced(std::string page, const std::string& from,
                     const std::string& to) {
  return page.replace(page.find(from), from.size(), to);
}

TEST_F(PageTextRoundTest, ZeroBytesInAPageAreDroppedForBothEncodings) {
  const std::string zero(1, '\0');
  for (bool gbk : {true, false}) {
    // One before the start marker, one inside the top post's title.
    AddRule(gbk ? 7 : 8,
            Replaced(Replaced(ListPage(TwentyPosts(gbk ? 1 : 101)), "<ul",
                              zero + "<ul"),
                     ">Deal", ">De" + zero + "al"),
            gbk);
  }
  StartUp();
  RunRound();
  const std::vector<std::string> titles = StoredTitles();
  ASSERT_EQ(titles.size(), 40u);
  EXPECT_EQ(titles[19], "Deal 20");
  EXPECT_EQ(titles[39], "Deal 120");
}

TEST_F(PageTextRoundTest, ALoneLeadByteNeverSwallowsTheMarkupAfterIt) {
  AddRule(7, Replaced(ListPage(TwentyPosts(1)), "</ul>", "\x81</ul>"), true);
  StartUp();
  RunRound();
  EXPECT_EQ(StoredTitles().size(), 20u);
}

TEST_F(PageTextRoundTest, KeywordsFoldOnlyOneByteLetters) {
  const std::string up = "\x81\x41";     // 丄
  const std::string other = "\x81\x61";  // 乤, the same bytes folded
  AddRule(7, ListPage({{"3", "X" + up}, {"2", "y" + other}, {"1", "Z"}}), true);
  db_.SetKeywords(up + "\r\nx\r\nz");
  StartUp();
  RunRound();
  std::vector<std::string> marked;
  for (const InfoRow& row : db_.Info()) marked.push_back(row.zt);
  EXPECT_EQ(marked, (std::vector<std::string>{"1", "0", "1"}));
}

TEST_F(PageTextRoundTest, TitlesHaveTheirCharacterReferencesDecoded) {
  AddRule(7,
          ListPage({{"3", "Command &amp; Conquer"},
                    {"2", "Cook&#039;s Knife &eacute;"},
                    {"1", "don&#x27;t &hearts;"}}),
          false);
  StartUp();
  RunRound();
  EXPECT_EQ(StoredTitles(),
            (std::vector<std::string>{"don't ?", "Cook's Knife \xA8\xA6",
                                      "Command & Conquer"}));
  EXPECT_EQ(PostTitles()[0], "Command & Conquer");
  EXPECT_EQ(StoredUrls()[0], Link("1"));
}

}  // namespace
}  // namespace dw::testing
