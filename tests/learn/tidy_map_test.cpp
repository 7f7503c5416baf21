#include "learn/tidy_map.h"

#include <gtest/gtest.h>

#include "text/page_text.h"

namespace dw {
namespace {

// Learning reads the page as the pattern will: the mapped tidy must give
// the very text the chain's tidy gives, and each byte must come from where
// it stood.
TEST(TidyWithOrigins, GivesTheChainsTextWithEachBytesPlace) {
  for (const std::string page :
       {"<a href=\"/t/1\">x</a>\r\n\t<b>", "a   b    c \" \" d",
        "&LT;p&gt;&quot;q&#37;", "&l\nt;x&am\np;", "\xD6\xD0\"\xCE\xC4 '&#37;'",
        "  \r\n  lead"}) {
    SCOPED_TRACE(page);
    const TidyMap map = TidyWithOrigins(page);
    EXPECT_EQ(map.text, TidyHtmlText(page));
    ASSERT_EQ(map.origin.size(), map.text.size());
    for (size_t i = 0; i < map.text.size(); ++i) {
      const char from = page[map.origin[i]];
      EXPECT_TRUE(from == map.text[i] || from == '&') << i;
      if (i > 0) {
        EXPECT_LT(map.origin[i - 1], map.origin[i]);
      }
    }
  }
}

}  // namespace
}  // namespace dw
