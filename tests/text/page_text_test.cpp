#include "text/page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/encoding.h"

namespace dw {
namespace {

struct Case {
  std::string input;
  std::string expected;
};

TEST(Utf8ToGbkTest, ConvertsPageText) {
  const Case cases[] = {
      {"", ""},
      {"<ul class=\"list\"><li>plain ascii markup</li></ul>",
       "<ul class=\"list\"><li>plain ascii markup</li></ul>"},
      {"\xE4\xBB\x8A\xE6\x97\xA5\xE7\x89\xB9\xE4\xBB\xB7",  // 今日特价
       "\xBD\xF1\xC8\xD5\xCC\xD8\xBC\xDB"},
      {"\xE2\x82\xAC"
       "5",
       "\x80"
       "5"},                             // €5
      {"x\xEF\xBD\x81y", "x\xA3\xE1y"},  // full-width a
      {"a\xC2\xB7"
       "b",
       "a\xA1\xA4"
       "b"},  // middle dot
      // No GBK form: the four bytes of GB18030.
      {"a\xED\x95\x9C"
       "b",
       "a\x83\x36\x84\x33"
       "b"},  // Hangul
      {"a\xF0\x9F\x98\x80"
       "b",
       "a\x94\x39\xFC\x36"
       "b"},  // emoji
      // Zero bytes are dropped.
      {std::string("ab\0cd", 5), "abcd"},
      {std::string("\0ab\0", 4), "ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.input), c.expected) << c.input;
  }
}

TEST(Utf8ToGbkTest, MalformedSequencesBecomeQuestionMarks) {
  const Case cases[] = {
      {"a\xFF"
       "b",
       "a?b"},
      {"\x80\x80", "??"},
      {"\xE4\xBB", "?"},  // cut short at the end
      {"\xE4\xBB"
       "a",
       "?a"},  // cut short by ASCII
      {"\xE4\xBB\xE4\xBB\x8A", "?\xBD\xF1"},
      {"\xC0\xAF", "??"},            // overlong
      {"\xE0\x80\xAF", "???"},       // overlong "/" in three bytes
      {"\xE0\x82\xB7x", "???x"},     // overlong "\u00B7", read four at once
      {"\xF0\x80\x80\xAF", "????"},  // and in four
      {"\xED\xA0\x80x", "???x"},     // surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"12345678\xE4"
       "12345678",
       "12345678?12345678"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.input), c.expected) << c.input;
  }
}

// Code page 936 where it has a form, so GBK text stays as it was, and
// GB18030 for the rest.
TEST(Utf8ToGbkTest, AgreesWithSystemConverterOnBmp) {
  for (char32_t cp = 1; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::optional<std::string> utf8 =
        ConvertEncoding(std::string(reinterpret_cast<const char*>(&cp), 4),
                        "UTF-32LE", "UTF-8");
    ASSERT_TRUE(utf8);
    std::optional<std::string> gbk = ConvertEncoding(*utf8, "UTF-8", "CP936");
    if (!gbk) gbk = ConvertEncoding(*utf8, "UTF-8", "GB18030");
    EXPECT_EQ(Utf8ToGbk(*utf8), gbk ? *gbk : "?")
        << std::hex << static_cast<uint32_t>(cp);
  }
}

TEST(TidyHtmlTextTest, HalvesSpaceRunsOnce) {
  const Case cases[] = {
      {"", ""},
      {"a b", "a b"},
      {"a  b", "a b"},
      {"a   b", "a  b"},
      {"a     b", "a   b"},
      // Breaks and tabs go first, so the spaces around them meet.
      {"a \t b", "a b"},
      {"a \r\n b", "a b"},
      // A space is never a trail byte: the lead byte before it stands alone.
      {"\x81  x", "\x81 x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TidyHtmlText(c.input), c.expected) << c.input;
  }
}

// The one pass must give what the steps give, also where a dropped quote
// or apostrophe sits inside a run of spaces (the spaces are halved first).
TEST(TidyHtmlTextTest, OnePassAgreesWithTheStepsAroundDroppedQuotes) {
  for (const char* input :
       {"a \" b", "a  \"  b", "a   '   b", " &quot; ", "  &quot;  ", "\t\"\t",
        "  \r\n\"  ", "&quot;  &quot;", " \"\" ", "  '\"'  ", "a \xB0\" b",
        "\xB0  \"  x", "&q\nuot;  \"",
        // Long enough to be read sixteen bytes at a time in its own buffer,
        // a byte or two behind where it is written.
        "\"'\nabcdefghijklmnopqrstuvw xyz0123456789\tABCDEFGHIJ'KLMNOPQRSTUV "
        "&lt;WXYZabcdefghijklmnopqrstuvwxyz\"0123456789",
        "abcdefghijklmnopqrstuvwxyz 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ\""}) {
    EXPECT_EQ(TidyHtmlText(input), TidyHtmlTextInSteps(input)) << input;
    TidyMarks marks;  // noting what goes changes nothing of what stays
    EXPECT_EQ(TidyHtmlText(input, 0, std::string::npos, &marks),
              TidyHtmlText(input));
    // Tidied as a cut out of a page, into the front of the page's buffer.
    const std::string page = std::string("<p>") + input + "</p>";
    EXPECT_EQ(TidyHtmlText(page, 3, page.size() - 4), TidyHtmlText(input));
  }
}

TEST(TidyHtmlTextTest, DecodesFourEntitiesInOrder) {
  const Case cases[] = {
      {"&lt;b&gt;", "<b>"},
      {"&LT;b&Gt;", "<b>"},
      {"&quot;x&quot;", "x"},
      {"&QUOT;", "&QUOT;"},
      {"100&#37;", "100%"},
      {"&amp; &nbsp; &#39; &#38;", "&amp; &nbsp; &#39; &#38;"},
      // An entity split by a line break is whole once the break is gone.
      {"&l\nt;a&g\r\nt;", "<a>"},
      // Replaced text is not scanned again, so one entity is left.
      {"&&quot;quot;", "&quot;"},
      {"&&lt;lt;", "&<lt;"},
      {"<a href=\"/t/1\" title='x'>\xD5\xE6</a>",
       "<a href=/t/1 title=x>\xD5\xE6</a>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TidyHtmlText(c.input), c.expected) << c.input;
  }
}

TEST(RegexReplaceTest, SiteCleanUp) {
  const std::string page =
      "<li><img src=/i/a.png /><span class=tps>\xD5\xE6</span>"
      "[<span class=xw1>hot</span>]<A href=/t/1>title</A></li>";
  std::string text = page;
  text = RegexReplace("<img src=.*?/>", text);
  text = RegexReplace("<span class=tps>.*?</span>", text);
  text = RegexReplace("<span class=xw1>", text);
  text = RegexReplace("</span>]", text, "]");
  text = RegexReplace("</a>", text);
  EXPECT_EQ(text, "<li>[hot]<A href=/t/1>title</li>");
}

TEST(RegexReplaceTest, FailuresGiveEmptyText) {
  EXPECT_EQ(RegexReplace("(", "abc"), "");
  EXPECT_EQ(RegexReplace("[a", "abc"), "");
  EXPECT_EQ(RegexReplace("(a+)+b", std::string(1500, 'a')), "");
  // Nothing found: the subject unchanged.
  EXPECT_EQ(RegexReplace("x", "abc"), "abc");
  EXPECT_EQ(RegexReplace("x", ""), "");
}

}  // namespace
}  // namespace dw
