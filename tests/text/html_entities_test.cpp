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
      {"&eacute;&hellip;&nbsp;", "\xA8\xA6\xA1\xAD?"},  // no-break space: none
      {"&amp &ampx &lt3", "& &x <3"},                   // legacy, no semicolon
      {"&notit; &notin; &isin &timesx", "?it; ? &isin \xA1\xC1x"},
      {"&#65&#x42;&#128;", "AB\x80"},  // 128 is the euro
      {"&#0;&#xD800;&#99999999999;", "???"},
      {"&nosuch; & &# &#x; &;", "&nosuch; & &# &#x; &;"},
      {"&amp;lt; \xD6\xD0&gt;", "&lt; \xD6\xD0>"},  // decoded once
      {"&NotEqualTilde;", "??"},                    // two characters
  };
  for (const EntityCase& c : cases) {
    EXPECT_EQ(DecodeHtmlEntities(c.text), c.decoded) << c.text;
  }
}

}  // namespace
}  // namespace dw
