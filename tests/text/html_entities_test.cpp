#include "text/html_entities.h"

#include <gtest/gtest.h>

#include <string>

namespace dw {
namespace {

struct EntityCase {
  std::string text;
  std::string decoded;
};

TEST(DecodeHtmlEntitiesTest, DecodesReferencesAsBrowsersDo) {
  const EntityCase cases[] = {
      {"Command &amp; Conquer", "Command & Conquer"},
      {"Cook&#039;s don&#x27;t &#X41;", "Cook's don't A"},
      // A no-break space is not in GBK: its four bytes.
      {"&eacute;&hellip;&nbsp;", "\xA8\xA6\xA1\xAD\x81\x30\x84\x32"},
      {"&amp &ampx &lt3", "& &x <3"},  // legacy, no semicolon
      {"&notit; &notin; &isin &timesx",
       "\x81\x30\x85\x31it; \x81\x36\xD2\x34 &isin \xA1\xC1x"},
      {"&#65&#x42;&#128;", "AB\x80"},  // 128 is the euro
      {"&#0;&#xD800;&#99999999999;",   // U+FFFD, as a browser shows them
       "\x84\x31\xA4\x37\x84\x31\xA4\x37\x84\x31\xA4\x37"},
      {"&nosuch; & &# &#x; &;", "&nosuch; & &# &#x; &;"},
      {"&amp;lt; \xD6\xD0&gt;", "&lt; \xD6\xD0>"},              // decoded once
      {"&NotEqualTilde;", "\x81\x36\xD6\x30\x81\x30\xC2\x32"},  // two
  };
  for (const EntityCase& c : cases) {
    EXPECT_EQ(DecodeHtmlEntities(c.text), c.decoded) << c.text;
  }
}

}  // namespace
}  // namespace dw
