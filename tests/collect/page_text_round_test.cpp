// Whole rounds over pages whose bytes once lost posts or spoiled titles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "round_fixture.h"

namespace dw::testing {
namespace {

using Texts = std::vector<std::string>;

class PageTextRoundTest : public RoundTest {
 protected:
  // Serves a page of `posts` as it is, or of twenty (ids id * 100 + 1 up,
  // titles "Deal <id>") with `from` replaced by `to`, to a rule of its own.
  void AddRule(int id, const std::string& from, const std::string& to,
               bool gbk = true, std::vector<PagePost> posts = {}) {
    for (int n = id * 100 + 20; n > id * 100 && from != ""; --n) {
      posts.push_back({std::to_string(n), "Deal " + std::to_string(n)});
    }
    std::string page = ListPage(posts);
    page.replace(page.find(from), from.size(), to);
    RuleRow rule = ListRule(
        id, "R", WritePage(std::to_string(id), gbk ? page : GbkToUtf8(page)));
    rule.isgbk = gbk ? "1" : "0";
    db_.AddRule(rule);
  }
  void Round() {
    StartUp();
    RunRound();
  }
  Texts Stored(std::string InfoRow::*column) {
    Texts texts;
    for (const InfoRow& row : db_.Info()) texts.push_back(row.*column);
    return texts;
  }
};

TEST_F(PageTextRoundTest, ZeroBytesInAPageAreDroppedForBothEncodings) {
  const std::string zero(1, '\0');
  AddRule(7, ">Deal", ">De" + zero + "al");  // in the top post's title
  AddRule(8, "<ul", zero + "<ul", /*gbk=*/false);
  Round();
  const Texts titles = Stored(&InfoRow::title);
  ASSERT_EQ(titles.size(), 40u);
  EXPECT_EQ(titles[19], "Deal 720");
}

TEST_F(PageTextRoundTest, ALoneLeadByteNeverSwallowsTheMarkupAfterIt) {
  AddRule(7, "</ul>", "\x81</ul>");
  Round();
  EXPECT_EQ(Stored(&InfoRow::title).size(), 20u);
}

TEST_F(PageTextRoundTest, KeywordsFoldOnlyOneByteLetters) {
  db_.SetKeywords("\x81\x41\r\nx");  // 丄, whose second byte is "A"
  AddRule(7, "", "", true, {{"3", "\x81\x41"}, {"2", "\x81\x61"}, {"1", "X"}});
  Round();
  EXPECT_EQ(Stored(&InfoRow::zt), (Texts{"1", "0", "1"}));  // 乤 is not 丄
}

TEST_F(PageTextRoundTest, TitlesHaveTheirCharacterReferencesDecoded) {
  AddRule(7, "", "", false,
          {{"3", "Command &amp; Conquer"},
           {"2", "Cook&#039;s Knife &eacute;"},
           {"1", "don&#x27;t &hearts;"}});
  Round();
  // A heart is not in GBK: its four GB18030 bytes.
  const std::string heart = "don't \x81\x37\xAC\x33";
  EXPECT_EQ(Stored(&InfoRow::title),
            (Texts{heart, "Cook's Knife \xA8\xA6", "Command & Conquer"}));
  EXPECT_EQ(PostTitles(),
            (Texts{"Command & Conquer", "Cook's Knife \xA8\xA6", heart}));
  EXPECT_EQ(Stored(&InfoRow::url), (Texts{Link("1"), Link("2"), Link("3")}));
}

}  // namespace
}  // namespace dw::testing
