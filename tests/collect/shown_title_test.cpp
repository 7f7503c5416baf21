#include <gtest/gtest.h>

#include <string>

#include "collect/rule_chain.h"
#include "text/page_text.h"

namespace dw::testing {
namespace {

struct TitleCase {
  const char* what;
  std::string body;      // UTF-8, between the markers
  std::string expected;  // UTF-8
  const char* pattern = "<a href=/p/(\\d+)>(.*?)</a>";
  int rule_id = 20;  // no site clean-up
  bool json = false;
  bool plain = false;
};

constexpr char kInAttribute[] = "<a href=/p/(\\d+) title=([^>]*)>";

// The title a match yields reads as the page shows it in a browser, whatever
// the tidy made of the text the pattern searched.
TEST(ShownTitleTest, TitlesReadAsTheBrowserShowsThem) {
  const TitleCase cases[] = {
      {"quotes and apostrophes in text",
       "<a href=\"/p/1\">Isn't it \"great\"? 42\" LG</a>",
       "Isn't it \"great\"? 42\" LG"},
      {"quotes around Chinese", "<a href=\"/p/2\">\"我爱你\"</a>",
       "\"我爱你\""},
      {"double-quoted attribute",
       "<a href=\"/p/3\" title=\"Men's 42&quot; TV\">x</a>", "Men's 42\" TV",
       kInAttribute},
      {"single-quoted attribute", "<a href='/p/4' title='Say \"hi\"'>x</a>",
       "Say \"hi\"", kInAttribute},
      {"quote references", "<a href=\"/p/5\">&quot;Safe&quot; don&#39;t</a>",
       "\"Safe\" don't"},
      {"entities once", "<a href=\"/p/6\">AT&amp;T &amp;amp; a &amp;lt; b</a>",
       "AT&T &amp; a &lt; b"},
      {"numeric references", "<a href=\"/p/7\">caf&#233; &#x4E2D; 50&#37;</a>",
       "café 中 50%"},
      {"encoded markup is text", "<a href=\"/p/8\">x &lt;b&gt; y</a>",
       "x <b> y"},
      {"inline tags",
       "<a href=\"/p/9\">Deal <em>half</em> <font color=red>price</font>"
       "<span class=\"H\" title=\"a>b\">!</span></a>",
       "Deal half price!"},
      {"CDATA: entities decoded, markup kept as text",
       "<link>/p/10</link><title><![CDATA[Fish &amp; \"Chips\" "
       "<b>&lt;3</b>]]></title>",
       "Fish & \"Chips\" <b><3</b>",
       "<link>/p/(\\d+)</link><title>(.*?)</title>"},
      {"white space",
       "<a href=\"/p/11\">\r\n  Big\t\tsale  &nbsp; now&#160;!\n</a>",
       "Big sale now !"},
      {"ideographic space", "<a href=\"/p/12\">全　场</a>", "全　场"},
      {"JSON strings",
       "{\"id\":13,\"title\":\"15.6\\\" \\u00e9 \\ud83d\\udd25 it's\\nnow "
       "\\\\ \\/ AT&amp;T\"}",
       "15.6\" é 🔥 it's now \\ / AT&T", "id:(\\d+),title:(.*?)}", 20, true},
      {"JSON backslash as a second byte",  // 淺 is 0x9C 0x5C in GBK
       "{\"id\":14,\"title\":\"\\\"淺\\\"淺n\"}", "\"淺\"淺n",
       "id:(\\d+),title:(.*?)}", 20, true},
      {"JSON markup: a closed highlight goes, a lone tag is text",
       "{\"id\":16,\"title\":\"\\u003cspan class\\u003dH\\u003eiPad"
       "\\u003c/span\\u003e: <i> und <b>\"}",
       "iPad: <i> und <b>", "id:(\\d+),title:(.*?)}", 20, true},
      {"plain-text titles (a JSON Feed's) show as written",
       "{\"id\":17,\"title\":\"Caf\\u00e9 &#8216;x&#8217;  <i>\"}",
       "Café &#8216;x&#8217; <i>", "id:(\\d+),title:(.*?)}", 20, true, true},
      {"site clean-up id",
       "<a href=\"/p/15\"><font color=red>Bob's</font> \"Co\" &amp; sons of "
       "a long name</a>",
       "Bobs Co & sons of a long name", "<a href=/p/(\\d+)>(.*?)</a>", 12},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.what);
    ChainRule rule;
    rule.id = c.rule_id;
    rule.pattern = c.pattern;
    rule.before = "<body>";
    rule.after = "</body>";
    rule.id_group = 1;
    rule.title_group = 2;
    rule.link_template = "http://deals.example/p/[1]";
    rule.json_strings = c.json;
    rule.plain_titles = c.plain;
    RuleReport report;
    const ChainPage page =
        RunRuleChain(rule, "<body>" + c.body + "</body>", report);
    ASSERT_EQ(page.matches.size(), 1u) << page.text;
    const FoundPost post = PostOfMatch(rule, page.matches[0], page);
    EXPECT_EQ(post.title, Utf8ToGbk(c.expected));
    EXPECT_EQ(post.link, "http://deals.example/p/" + post.id);
  }
}

}  // namespace
}  // namespace dw::testing
