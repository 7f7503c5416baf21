#include "text/gbk_replace.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/text_ops.h"

namespace dw {
namespace {

// Texts full of near misses: pieces of the sought texts, double-byte
// characters whose second byte is ASCII, lone lead bytes.
std::string RandomText(std::mt19937& rng) {
  static const std::string pieces[] = {
      "a",     "A",        "&",      "l",          "L",    "t",
      "T",     ";",        " ",      "\n",         "\r",   "\t",
      "\"",    "'",        "q",      "#",          "3",    "7",
      "&lt",   "&l",       "&quot",  "  ",         "\x81", "\x81&",
      "\x81 ", "\xD5\xE6", "\x81\n", "abcdefghij", "x"};
  std::string s;
  int count = static_cast<int>(rng() % 60);
  for (int k = 0; k < count; ++k) s += pieces[rng() % std::size(pieces)];
  return s;
}

TEST(GbkReplaceTest, ReplaceAsciiAllEqualsReplaceText) {
  struct Case {
    const char* sought;
    const char* replacement;
    bool ignore_case;
  } cases[] = {
      {"  ", " ", true},       {"&lt;", "<", true},   {"&LT;", "<", false},
      {"&quot;", "\"", false}, {"&#37;", "%", false}, {"a", "bb", true},
      {"t", "", false},        {"L", "x", true},
  };
  std::mt19937 rng(3);
  for (int n = 0; n < 3000; ++n) {
    const std::string text = RandomText(rng);
    for (const auto& c : cases) {
      ASSERT_EQ(ReplaceAsciiAll(text, c.sought, c.replacement, c.ignore_case),
                ReplaceText(text, c.sought, c.replacement, std::nullopt,
                            std::nullopt, !c.ignore_case))
          << c.sought << " in " << text;
    }
  }
}

TEST(GbkReplaceTest, RemoveAsciiBytesEqualsOneReplaceAfterAnother) {
  std::mt19937 rng(5);
  for (int n = 0; n < 3000; ++n) {
    const std::string text = RandomText(rng);
    for (const std::string set : {"\n\r\t", "\"'", "a"}) {
      std::string expected = text;
      for (char c : set) expected = ReplaceText(expected, std::string(1, c));
      ASSERT_EQ(RemoveAsciiBytes(text, set), expected) << text;
    }
  }
}

}  // namespace
}  // namespace dw
