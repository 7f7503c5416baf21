#include "net/cookies.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "runtime/gbk_constants.h"

namespace dw {
namespace {

struct CollectCase {
  std::string headers;
  std::string expected;
};

TEST(CollectSetCookiesTest, KeepsLineOrderAndDropsAttributes) {
  const CollectCase cases[] = {
      {"", ""},
      {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/; HttpOnly\r\n"
       "Set-Cookie: lang=zh\r\n\r\n",
       "sid=abc; lang=zh"},
      {"Set-Cookie: a=1", "a=1"},
      {"Set-Cookie: a=hello world; path=/", "a=hello world"},
      // A header that only contains the name gives an empty item.
      {"Set-Cookie: a=1\r\nSet-Cookie2: x=1; Version=1\r\nSet-Cookie: b=2",
       "a=1; ; b=2"},
      // Same name twice: both stay, in order.
      {"Set-Cookie: a=1; path=/\r\nSet-Cookie: a=2; path=/x", "a=1; a=2"},
      // Full-width spaces are trimmed like ASCII ones.
      {"Set-Cookie:\xA1\xA1t=\xD5\xE6\xA1\xA1; path=/", "t=\xD5\xE6"},  // 真
      // Without ";" every "Set-Cookie:" goes, whatever its case.
      {"Set-Cookie: a=1 set-cookie:", "a=1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CollectSetCookies(c.headers), c.expected) << c.headers;
  }
}

struct MergeCase {
  std::string old_cookies;
  std::string new_cookies;
  std::string expected;
};

TEST(MergeCookiesTest, NewItemsFirstThenSurvivingOldOnes) {
  const MergeCase cases[] = {
      {"a=1; b=2", "b=3", "b=3; a=1"},
      {"a=1; b=2; c=3", "c=9; d=4", "c=9; d=4; a=1; b=2"},
      {"a=1; b=2", "a=deleted", "b=2"},
      {"a=deleted; b=1", "", "b=1"},
      {"x = 1 ; y=2", "", "x=1; y=2"},
      {"", "", ""},
      {"a=1; a=2", "", "a=1"},
      {"", "a=1; a=2", "a=1; a=2"},
      {"", "a=1; a=1", "a=1"},
      {"flag; a=1", "flag", "flag; a=1"},
      // Names are compared byte for byte.
      {"A=1", "a=2", "a=2; A=1"},
      {"s=a\xA1\xA1z", "", "s=az"},
      {"a=1", "a=deleted; a=2", "a=2"},
  };
  for (const auto& c : cases) {
    std::string old_cookies = c.old_cookies;
    EXPECT_EQ(MergeCookies(old_cookies, c.new_cookies), c.expected)
        << c.old_cookies << " + " << c.new_cookies;
    EXPECT_EQ(old_cookies, c.expected);
  }
}

TEST(MergeCookiesTest, CarriesCookiesAcrossResponses) {
  std::string jar;
  MergeCookies(jar, CollectSetCookies("Set-Cookie: sid=1; path=/\r\n"
                                      "Set-Cookie: lang=zh\r\n"));
  MergeCookies(jar, CollectSetCookies("Set-Cookie: sid=2; path=/\r\n"));
  EXPECT_EQ(jar, "sid=2; lang=zh");
  MergeCookies(jar, CollectSetCookies("Set-Cookie: lang=deleted\r\n"));
  EXPECT_EQ(jar, "sid=2");
}

TEST(CookieNameTest, TextBeforeFirstEqualsTrimmed) {
  const std::pair<std::string, std::string> cases[] = {
      {"a=1", "a"},     {" a =1", "a"},
      {"flag", "flag"}, {" flag ", "flag"},
      {"=x", ""},       {"a=b=c", "a"},
      {"", ""},         {"\xA1\xA1n\xA1\xA1=v", "n"},
  };
  for (const auto& [item, name] : cases) {
    EXPECT_EQ(CookieName(item), name) << item;
  }
}

TEST(RemoveDuplicateItemsTest, DropsOnlyExactRepeats) {
  const std::string cases[][3] = {
      {"a; b; a", "; ", "a; b"},
      {"a=1; a=2", "; ", "a=1; a=2"},
      {"x,x,,y,", ",", "x,,y"},
      {"", "; ", ""},
      {"a;a", "", "a;a"},
      {"\xD5\xE6;\xD5\xE6", ";", "\xD5\xE6"},  // 真;真
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemoveDuplicateItems(c[0], c[1]), c[2]) << c[0];
  }
}

struct BetweenCase {
  std::string text, left, right;
  std::optional<int> start;
  bool case_insensitive;
  std::string expected;
};

TEST(TextBetweenTest, CutsBetweenMarkers) {
  const std::string q = kQuotePlaceholder;
  const BetweenCase cases[] = {
      {"<img src=\"x.png\" />", "src=" + q, q, {}, false, "x.png"},
      {"<img src=\"x.png\" />", "src=\"", "\"", {}, false, "x.png"},
      // The placeholder in the text itself is not a quote.
      {"a" + q + "b", "a", q, {}, false, ""},
      {"abc", "x", "c", {}, false, ""},
      {"abc", "a", "x", {}, false, ""},
      {"abc", "", "c", {}, false, "ab"},
      {"abc", "a", "", {}, false, ""},
      {"ab", "a", "b", {}, false, ""},
      {"abc[", "[", "]", {}, false, ""},
      {"[a][b]", "[", "]", 4, false, "b"},
      {"[a][b]", "[", "]", 0, false, "a"},
      {"[a][b]", "[", "]", -5, false, "a"},
      {"[a][b]", "[", "]", 99, false, ""},
      {"<DIV>x</div>", "<div>", "</DIV>", {}, true, "x"},
      {"<DIV>x</div>", "<div>", "</DIV>", {}, false, ""},
      // The first "[" is the second byte of a double-byte character.
      {"\x81[a]b[c]", "[", "]", {}, false, "c"},
      {"<ul>\xD5\xE6</ul>", "<ul>", "</ul>", {}, false, "\xD5\xE6"},  // 真
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.case_insensitive),
              c.expected)
        << c.text << " | " << c.left << " | " << c.right;
  }
}

}  // namespace
}  // namespace dw
