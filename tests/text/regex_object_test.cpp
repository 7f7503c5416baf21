#include "text/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/gbk_constants.h"

namespace dw {
namespace {

std::vector<std::string> AllMatches(const RegexObject& re) {
  std::vector<std::string> out;
  for (int i = 1; i <= re.MatchCount(); ++i) out.push_back(re.MatchText(i));
  return out;
}

using Texts = std::vector<std::string>;

const std::string kZhen = "\xD5\xE6";  // 真
const std::string kJin = "\xBD\xF1";   // 今

TEST(RegexObjectTest, DefaultsIgnoreCaseLineAnchorsAndFindAll) {
  RegexObject re;
  ASSERT_TRUE(re.Search("^ab$", "AB\nx\nab\nAb"));
  EXPECT_EQ(AllMatches(re), (Texts{"AB", "ab", "Ab"}));
}

TEST(RegexObjectTest, OptionsChangeTheSearch) {
  struct Case {
    std::string pattern, subject;
    bool case_sensitive, multiline, global;
    Texts expected;
  } cases[] = {
      {"ab", "ab AB", true, true, true, {"ab"}},
      {"ab", "ab AB", false, true, false, {"ab"}},
      {"^b", "a\nb", false, false, true, {}},
      {"a$", "a\nb", false, false, true, {}},
      {"^b", "a\nb", false, true, true, {"b"}},
      // A later search does not take its start for the start of the text.
      {"^a", "aaa", false, false, true, {"a"}},
      {"\\ba", "aa a", false, true, true, {"a", "a"}},
      // "." never takes a line break.
      {"a.b", "a\nb a-b", false, true, true, {"a-b"}},
      // Empty matches move on one character.
      {"x*", "ab", false, true, true, {"", "", ""}},
      {"b*", "abc", false, true, true, {"", "b", "", ""}},
  };
  for (const auto& c : cases) {
    RegexObject re;
    ASSERT_TRUE(re.Search(c.pattern, c.subject, c.case_sensitive, c.multiline,
                          c.global))
        << c.pattern;
    EXPECT_EQ(AllMatches(re), c.expected) << c.pattern << " / " << c.subject;
  }
}

TEST(RegexObjectTest, DotTakesOneChineseCharacter) {
  RegexObject re;
  ASSERT_TRUE(re.Search("^.a$", kZhen + "a"));
  EXPECT_EQ(re.MatchText(1), kZhen + "a");
  ASSERT_TRUE(re.Search("^..a$", kZhen + "a"));
  EXPECT_EQ(re.MatchCount(), 0);
  // A character class holds whole characters too.
  ASSERT_TRUE(re.Search("[" + kZhen + kJin + "]+", "x" + kJin + kZhen + "y"));
  EXPECT_EQ(re.MatchText(1), kJin + kZhen);
}

TEST(RegexObjectTest, CaseFoldingCoversFullWidthLetters) {
  RegexObject re;
  // Full-width a against full-width A.
  ASSERT_TRUE(re.Search("\xA3\xE1", "\xA3\xC1"));
  EXPECT_EQ(re.MatchCount(), 1);
  ASSERT_TRUE(re.Search("\xA3\xE1", "\xA3\xC1", true));
  EXPECT_EQ(re.MatchCount(), 0);
  // "\w" keeps to ASCII word characters.
  ASSERT_TRUE(re.Search("\\w+", kZhen + "ab"));
  EXPECT_EQ(AllMatches(re), (Texts{"ab"}));
}

TEST(RegexObjectTest, QuotePlaceholder) {
  const std::string pattern =
      std::string("href=") + kQuotePlaceholder + "(\\d+)";
  const std::string quoted = "<a href=\"12\">";
  const std::string literal =
      std::string("<a href=") + kQuotePlaceholder + "34>";
  RegexObject re;
  ASSERT_TRUE(re.Search(pattern, quoted, false, true, true, true));
  EXPECT_EQ(re.SubMatchText(1, 1), "12");
  EXPECT_EQ(re.PatternText(), "href=\"(\\d+)");
  ASSERT_TRUE(re.Search(pattern, literal));
  EXPECT_EQ(re.SubMatchText(1, 1), "34");
  EXPECT_EQ(re.PatternText(), pattern);
  ASSERT_TRUE(re.Search(pattern, quoted));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST(RegexObjectTest, MatchesGroupsAndOffsets) {
  RegexObject re;
  const std::string subject = kZhen + "a1 b2 " + kZhen + "c";
  ASSERT_TRUE(re.Search("([a-c])(\\d)?", subject));
  ASSERT_EQ(re.MatchCount(), 3);
  EXPECT_EQ(re.GroupCount(), 2);
  int offset = -9;
  EXPECT_EQ(re.MatchText(1, &offset), "a1");
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(re.SubMatchText(1, 1, &offset), "a");
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(re.SubMatchText(2, 2, &offset), "2");
  EXPECT_EQ(offset, 6);
  EXPECT_EQ(re.MatchText(3, &offset), "c");
  EXPECT_EQ(offset, 10);
  // Group 2 took no part in the third match.
  EXPECT_EQ(re.SubMatchText(3, 2, &offset), "");
  EXPECT_EQ(offset, -1);
  // Out of range, either way.
  for (auto [index, group] :
       {std::pair{0, 1}, {-1, 1}, {4, 1}, {1, 0}, {1, 3}, {1, -2}}) {
    offset = -9;
    EXPECT_EQ(re.SubMatchText(index, group, &offset), "") << index << group;
    EXPECT_EQ(offset, -1);
  }
  for (int index : {0, -1, 4}) EXPECT_EQ(re.MatchText(index), "");
}

TEST(RegexObjectTest, OffsetsAreTruePositionsOfRepeatedText) {
  RegexObject re;
  const std::string subject = kZhen + "a" + kZhen + "a";
  ASSERT_TRUE(re.Search("a", subject));
  int offset = -1;
  EXPECT_EQ(re.MatchText(1, &offset), "a");
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(re.MatchText(2, &offset), "a");
  EXPECT_EQ(offset, 5);
}

TEST(RegexObjectTest, ReplaceMatches) {
  struct Case {
    std::string pattern, subject, replacement, expected;
    bool global = true;
  } cases[] = {
      {"</a>", "<a>x</A><a>y</a>", "", "<a>x<a>y"},
      {"</span>]", "[<b>hot</span>]", "]", "[<b>hot]"},
      {"b", "abcb", "x", "axcb", false},
      {"x*", "ab", "-", "-a-b-"},
      {"(\\d+)-(\\d+)", "1-2 33-4", "$2-$1", "2-1 4-33"},
      {"b", "abc", "[$&|$`|$'|$$|$3|$0]", "a[b|a|c|$|$3|$0]c"},
      {"(a)", "a", "$10", "a0"},
      {kZhen, kZhen + "a" + kZhen, kJin, kJin + "a" + kJin},
      // Bytes that are not GBK characters come back as they were.
      {"x", "\x81 x\xFF", "", "\x81 \xFF"},
      {"nomatch", "abc", "", "abc"},
  };
  for (const auto& c : cases) {
    RegexObject re;
    ASSERT_TRUE(re.Search(c.pattern, c.subject, false, true, c.global));
    EXPECT_EQ(re.ReplaceMatches(c.replacement), c.expected) << c.pattern;
  }
}

TEST(RegexObjectTest, FailedOrMissingSearchGivesEmptyResults) {
  RegexObject fresh;
  EXPECT_EQ(fresh.ReplaceMatches("x"), "");
  EXPECT_EQ(fresh.MatchCount(), 0);
  EXPECT_EQ(fresh.GroupCount(), 0);
  EXPECT_EQ(fresh.MatchText(1), "");
  EXPECT_EQ(fresh.PatternText(), "");

  for (const std::string bad : {"(", "[a", "a{2,1}", "*"}) {
    RegexObject re;
    ASSERT_TRUE(re.Search("a", "a"));
    EXPECT_FALSE(re.Search(bad, "abc")) << bad;
    EXPECT_EQ(re.ReplaceMatches(""), "") << bad;
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.GroupCount(), 0);
    EXPECT_EQ(re.PatternText(), bad);
  }
  // Patterns on which the engine's parser would never finish are refused,
  // also when a double-byte character ends in a backslash byte.
  for (const std::string hang : {"a++(?#x)b", "\x81\\++(?#x)b"}) {
    RegexObject re;
    EXPECT_FALSE(re.Search(hang, "aab")) << hang;
    EXPECT_EQ(re.ReplaceMatches(""), "");
  }
  // A search the engine gives up on fails the same way.
  RegexObject re;
  EXPECT_FALSE(re.Search("(a|aa)*c", std::string(1500, 'a')));
  EXPECT_EQ(re.ReplaceMatches(""), "");

  ASSERT_TRUE(re.Search("(x)", "abc"));
  EXPECT_EQ(re.GroupCount(), 0);
}

TEST(RegexObjectTest, CopiesKeepTheirOwnResult) {
  RegexObject a;
  ASSERT_TRUE(a.Search("b", "abc"));
  RegexObject b = a;
  EXPECT_EQ(b.MatchText(1), "b");
  EXPECT_EQ(b.ReplaceMatches("x"), "axc");
  ASSERT_TRUE(a.Search("c", "abc"));
  EXPECT_EQ(a.MatchText(1), "c");
  EXPECT_EQ(b.MatchText(1), "b");
  b = a;
  EXPECT_EQ(b.MatchText(1), "c");
}

}  // namespace
}  // namespace dw
