// Four-byte GB18030 sequences (characters GBK lacks) to every scan, up to
// the learner's pattern writing, which is why the table stands here.
#include <gtest/gtest.h>

#include <string>

#include "learn/pattern_parts.h"
#include "runtime/gbk_char.h"
#include "runtime/native_pattern.h"
#include "runtime/text_ops.h"
#include "text/gbk_codec.h"
#include "text/page_text.h"
#include "text/regex_object.h"

namespace dw {
namespace {

const std::string kFire = "\x94\x39\xE6\x37";  // U+1F525, as GB18030 has it

// Four bytes (lead, digit, lead, digit) are one character to every scan: a
// digit or lead byte inside one is never found, matched or cut at.
TEST(FourByteCharacters, EveryScanStepsOverThemWhole) {
  auto find = [](const std::string& text, const std::string& sought) {
    return std::to_string(FindText(text, sought));
  };
  auto split = [](const std::string& text, const std::string& at) {
    std::string joined;
    for (const std::string& piece : SplitText(text, at)) joined += piece + "|";
    return joined;
  };
  auto native_matches = [](const std::string& pattern, const std::string& s) {
    Pattern p = PatternNew();
    PatternCreate(p, pattern, false);
    return std::to_string(PatternSearchAll(p, s).size());
  };
  auto wide_matches = [](const std::string& pattern, const std::string& s) {
    RegexObject re;
    re.Search(pattern, s);
    return std::to_string(re.MatchCount());
  };
  const struct {
    const char* name;
    std::string got;
    std::string expected;
  } cases[] = {
      {"length", std::to_string(GbkCharLength(kFire, 0)), "4"},
      {"cut short", std::to_string(GbkCharLength(kFire.substr(0, 3), 0)), "1"},
      {"digit inside", find(kFire + "9", "9"), "5"},
      {"lead inside", find(kFire, "\xE6"), "-1"},
      {"found by its bytes", find(kFire + "abc7abc", "7abc"), "8"},
      {"whole", find("ab" + kFire, kFire), "3"},
      {"replace", ReplaceText(kFire + "9", "9", "-"), kFire + "-"},
      {"split", split("7" + kFire + "7", "7"), "|" + kFire + "|"},
      {"offset", std::to_string(GbkByteOffset(kFire + "a", 1)), "4"},
      {"pattern literal", EscapeLiteral(kFire + "."), kFire + "\\."},
      {"clean-up", RegexReplace("7", kFire + "7"), kFire},
      {"native empty matches", native_matches("q*", kFire + "b"), "3"},
      {"wide dot", wide_matches("^.$", kFire), "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

}  // namespace
}  // namespace dw
