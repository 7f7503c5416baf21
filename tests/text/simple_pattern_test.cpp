#include "text/simple_pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/regex_object.h"

namespace dw {
namespace {

// What the full engine gives for the same replacement.
std::string EngineReplace(const std::string& pattern,
                          const std::string& subject,
                          const std::string& replacement) {
  RegexObject re;
  re.Search(pattern, subject);
  return re.ReplaceMatches(replacement);
}

TEST(SimplePatternTest, TakesOnlyPlainShapes) {
  for (const char* taken :
       {"</a>", "<img src=.*?/>", "<span class=tps>.*?</span>", "</span>]",
        "<font.*?>", "<b>.+?</b>", "/\\.x", "<a.*?>.*?</a>"}) {
    EXPECT_TRUE(ReplaceSimplePattern(taken, "x", "")) << taken;
  }
  for (const char* left :
       {"",      "a</a>",  "<a.*",  "<a.*?", ".*?<a>", "<a.*?b",    "<a>|<b>",
        "<a>*",  "<[ab]>", "<\\w>", "<a\\<", "<a\\>",  "<a>{2}",    "<.>",
        "<a.*>", "(<a>)",  "<a>\\", "^<a>",  "<a>$",   "<\xD5\xE6>"}) {
    EXPECT_FALSE(ReplaceSimplePattern(left, "x", "")) << left;
  }
  EXPECT_FALSE(ReplaceSimplePattern("</a>", "x", "$&"));
}

TEST(SimplePatternTest, SameResultAsTheEngine) {
  static const std::string pattern_pieces[] = {
      "<a",      "</a>", "<img src=", "/>",  ">", "<span class=tps>",
      "</span>", "]",    "\\.",       "\\]", "-", " ",
      "<B>",     "=1"};
  static const std::string subject_pieces[] = {"<a",
                                               "<A",
                                               "</a>",
                                               "</A>",
                                               "<img src=",
                                               "<IMG SRC=",
                                               "/>",
                                               "/",
                                               ">",
                                               "<span class=tps>",
                                               "</SPAN>",
                                               "</span>",
                                               "]",
                                               ".",
                                               "-",
                                               " ",
                                               "<b>",
                                               "=1",
                                               "\n",
                                               "\r",
                                               "\f",
                                               "x",
                                               "\xD5\xE6",
                                               "\x81<",
                                               "\x81",
                                               "\xA3\xC1",
                                               "abcdefghijklmnopqrstu"};
  std::mt19937 rng(17);
  int checked = 0;
  int in_place_taken = 0;
  for (int n = 0; n < 4000; ++n) {
    std::string pattern = pattern_pieces[rng() % std::size(pattern_pieces)];
    int joins = static_cast<int>(rng() % 3);
    for (int k = 0; k < joins; ++k) {
      pattern += rng() % 2 ? ".*?" : ".+?";
      pattern += pattern_pieces[rng() % std::size(pattern_pieces)];
    }
    if (rng() % 3 == 0) pattern += pattern_pieces[rng() % 5];
    std::string subject;
    int count = static_cast<int>(rng() % 50);
    for (int k = 0; k < count; ++k) {
      subject += subject_pieces[rng() % std::size(subject_pieces)];
    }
    static const char* const kReplacements[] = {"", "]", "<br />"};
    const std::string replacement = kReplacements[rng() % 3];
    std::optional<std::string> quick =
        ReplaceSimplePattern(pattern, subject, replacement);
    if (!quick) continue;
    ++checked;
    ASSERT_EQ(*quick, EngineReplace(pattern, subject, replacement))
        << pattern << " on " << subject;
    // In place where the replacement is never longer than a match, else
    // left alone.
    std::string in_place = subject;
    const bool taken =
        ReplaceSimplePatternInPlace(pattern, in_place, replacement);
    in_place_taken += taken;
    ASSERT_EQ(in_place, taken ? *quick : subject)
        << pattern << " on " << subject;
  }
  EXPECT_GT(checked, 2000);
  EXPECT_GT(in_place_taken, checked / 2);
}

}  // namespace
}  // namespace dw
