#include "runtime/text_ops.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runtime/plain_text_ops.h"

namespace dw {
namespace {

// GBK characters whose second byte is an ASCII byte are where a byte-wise
// scan would go wrong.
const std::string kZhong = "\xd6\xd0";         // 中
const std::string kWithAt = "\x81\x40";        // 丂, second byte '@'
const std::string kWithA = "\x81\x61";         // second byte 'a'
const std::string kFullSpace = "\xa1\xa1";     // full-width space
const std::string kFire = "\x94\x39\xe6\x37";  // an emoji, in four bytes

struct FindCase {
  const char* name;
  std::string text;
  std::string sought;
  std::optional<int> start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, PositionsAndStarts) {
  const std::vector<FindCase> cases = {
      {"simple", "ab", "b", std::nullopt, false, 2},
      {"start past match", "ab", "b", 3, false, -1},
      {"start at match", "abab", "b", 2, false, 2},
      {"start after first", "abab", "b", 3, false, 4},
      {"start zero like one", "ab", "a", 0, false, 1},
      {"start negative like one", "ab", "a", -5, false, 1},
      {"empty sought", "ab", "", std::nullopt, false, 1},
      {"empty sought with start", "ab", "", 2, false, 1},
      {"empty sought nothing left", "ab", "", 3, false, -1},
      {"empty text", "", "a", std::nullopt, false, -1},
      {"longer than text", "ab", "abc", std::nullopt, false, -1},
      {"not found", "abc", "x", std::nullopt, false, -1},
      {"case exact", "ABC", "b", std::nullopt, false, -1},
      {"case ignored", "ABC", "b", std::nullopt, true, 2},
      {"case ignored sought upper", "abc", "BC", std::nullopt, true, 2},
      {"gbk after char", kZhong + "x", "x", std::nullopt, false, 3},
      {"gbk sought", "a" + kZhong + "b", kZhong, std::nullopt, false, 2},
      // Never a match on the second byte of a character, even ignoring case.
      {"second byte", kWithAt + "x@", "@", std::nullopt, false, 4},
      {"only second byte", kWithAt, "@", std::nullopt, false, -1},
      {"second byte folded", kWithA + "A", "a", std::nullopt, true, 3},
      // A start on a second byte scans from there, as positions count bytes.
      {"start on second byte", kWithAt, "@", 2, false, 2},
      // The comparison at a lone lead byte at the end comes before the step.
      {"lone lead sought", "ab\xd6", "\xd6", std::nullopt, false, 3},
      {"lone lead ends", "ab\xd6", "x", std::nullopt, false, -1},
      // A lead byte takes the next byte only when that is a trail byte.
      {"lone lead before markup", "x\x81</ul>", "</ul>", {}, false, 3},
      {"lone lead before space", "\xd6\xd6 a", " a", {}, false, 3},
      {"0x80 and 0xFF stand alone", "\x80@\xFF@", "@", 3, false, 4},
      // Only one-byte letters fold: 0x81 0x41 is not 0x81 0x61.
      {"second byte never folded", kWithA, "\x81\x41", {}, true, -1},
      {"pair then folded letter", kWithA + "B", kWithA + "b", {}, true, 1},
      // A long marker is looked for 32, then 16 positions at a time, each
      // way past a near miss.
      {"long marker past near misses",
       std::string(40, 'x') + "</table><!-- xyz -->xxxx</table><!-- xyz -->" +
           "</table><!-- end -->yyyyyy",
       "</table><!-- end -->", {}, false, 85},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << c.name;
  }
}

struct ReplaceCase {
  const char* name;
  std::string text;
  std::string sought;
  std::string replacement;
  std::optional<int> start;
  std::optional<int> count;
  bool caseSensitive;
  std::string expected;
};

TEST(ReplaceText, Cases) {
  const std::vector<ReplaceCase> cases = {
      {"replacement not rescanned", "aaaa", "aa", "a", {}, {}, true, "aa"},
      {"all by default", "a,b,c", ",", ";", {}, {}, true, "a;b;c"},
      {"count one", "a,b,c", ",", ";", {}, 1, true, "a;b,c"},
      {"count zero unchanged", "a,b,c", ",", ";", {}, 0, true, "a,b,c"},
      {"negative count means all", "a,b,c", ",", ";", {}, -1, true, "a;b;c"},
      {"start skips", "a,b,c", ",", ";", 3, {}, true, "a,b;c"},
      {"start past end", "abc", "c", "x", 4, {}, true, "abc"},
      {"start at last", "abc", "c", "x", 3, {}, true, "abx"},
      {"empty sought", "abc", "", "x", {}, {}, true, "abc"},
      {"empty text", "", "a", "x", {}, {}, true, ""},
      {"delete", "a<b>c", "<b>", "", {}, {}, true, "ac"},
      {"case sensitive", "aAa", "a", "x", {}, {}, true, "xAx"},
      {"case insensitive", "aAa", "a", "x", {}, {}, false, "xxx"},
      {"grows", "ab", "b", "bbb", {}, {}, true, "abbb"},
      {"gbk second byte kept",
       kWithAt + "@",
       "@",
       "#",
       {},
       {},
       true,
       kWithAt + "#"},
      {"gbk chars replaced",
       kZhong + "a" + kZhong,
       kZhong,
       "z",
       {},
       {},
       true,
       "zaz"},
      {"lead at end copied", "a\xd6", "a", "b", {}, {}, true, "b\xd6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceText(c.text, c.sought, c.replacement, c.start, c.count,
                          c.caseSensitive),
              c.expected)
        << c.name;
  }
}

struct SplitCase {
  const char* name;
  std::string text;
  std::optional<std::string> delimiter;
  std::optional<int> maximum;
  std::vector<std::string> expected;
};

TEST(SplitText, Cases) {
  const std::vector<SplitCase> cases = {
      {"empty text", "", ";", {}, {}},
      {"single", "x", ";", {}, {"x"}},
      {"trailing delimiter dropped", "x;", ";", {}, {"x"}},
      {"inner empty kept", "a,,b,", ",", {}, {"a", "", "b"}},
      {"default comma", "a,b", std::nullopt, {}, {"a", "b"}},
      {"leading empty", ",a", ",", {}, {"", "a"}},
      {"only delimiter", ",", ",", {}, {""}},
      {"maximum two", "a,b,c", ",", 2, {"a", "b"}},
      {"maximum larger", "a,b", ",", 5, {"a", "b"}},
      {"maximum zero", "a,b", ",", 0, {}},
      {"maximum negative no limit", "a,b,c", ",", -1, {"a", "b", "c"}},
      {"empty delimiter whole", "a,b", std::string(), {}, {"a,b"}},
      {"crlf", "a\r\n\r\nb", "\r\n", {}, {"a", "", "b"}},
      {"crlf trailing", "a\r\nb\r\n", "\r\n", {}, {"a", "b"}},
      {"gbk second byte not a delimiter",
       kWithAt + "@b",
       "@",
       {},
       {kWithAt, "b"}},
      {"multi byte delimiter", "a" + kZhong + "b", kZhong, {}, {"a", "b"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitText(c.text, c.delimiter, c.maximum), c.expected) << c.name;
  }
}

// Texts long enough for the word-at-a-time scan, full of near misses:
// pieces of the sought texts in both cases, double-byte characters whose
// second byte is ASCII, runs of lead bytes, a lone lead byte at the end,
// four-byte characters and their pieces (lead bytes and digits).
std::string NearMissText(std::mt19937& rng) {
  static const std::string pieces[] = {
      "a",        "A",     "&",        "l",          "L",    "t;",
      ";",        " ",     "  ",       "\n",         "\r\n", "\"",
      "'",        "&lt",   "&LT;",     "&l",         "<ta",  "<table>",
      "\x81",     "\x81&", "\x81 ",    "\xD6\xD0",   kWithA, kWithAt,
      "\x81\x81", "@",     "x",        "abcdefghij", "\xD6", "\x81<",
      "\x80",     "\xFF",  "\x81\x41", "\xD6 ",      kFire,  "9",
      "\x81\x30", "7"};
  std::string s;
  const int count = static_cast<int>(rng() % 200);
  for (int k = 0; k < count; ++k) s += pieces[rng() % std::size(pieces)];
  return s;
}

TEST(TextScan, AgreesWithPlainScanOnLongTexts) {
  const std::string soughts[] = {
      "a",    "L",    "  ",       "&lt;",  "<table>", "\r\n",        "@",
      "\x81", "\xD0", "\xD6\xD0", "\x81&", "a\x81",   "abcdefghij!", ";",
      "<",    "\xFF", "\x81\x41", "7",     "9\xE6",   "7abc",        kFire};
  std::mt19937 rng(7);
  for (int n = 0; n < 2000; ++n) {
    const std::string text = NearMissText(rng);
    const std::optional<int> start =
        n % 3 == 0 ? std::optional<int>(static_cast<int>(rng() % 12))
                   : std::nullopt;
    const std::optional<int> count =
        n % 4 == 0 ? std::optional<int>(static_cast<int>(rng() % 3))
                   : std::nullopt;
    for (const std::string& sought : soughts) {
      for (bool flag : {false, true}) {
        ASSERT_EQ(FindText(text, sought, start, flag),
                  plain::FindText(text, sought, start, flag))
            << sought << " in " << text;
        ASSERT_EQ(ReplaceText(text, sought, "#", start, count, flag),
                  plain::ReplaceText(text, sought, "#", start, count, flag))
            << sought << " in " << text;
      }
      ASSERT_EQ(SplitText(text, sought, count),
                plain::SplitText(text, sought, count))
          << sought << " in " << text;
    }
  }
}

TEST(TextSlices, LeftRightMiddle) {
  EXPECT_EQ(TextLeft("abc", 2), "ab");
  EXPECT_EQ(TextLeft("abc", 9), "abc");
  EXPECT_EQ(TextLeft("abc", 0), "");
  EXPECT_EQ(TextLeft("abc", -1), "");
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 9), "abc");
  EXPECT_EQ(TextRight("abc", -3), "");
  EXPECT_EQ(TextMiddle("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMiddle("abcdef", 5, 9), "ef");
  EXPECT_EQ(TextMiddle("abcdef", 0, 3), "");
  EXPECT_EQ(TextMiddle("abcdef", 7, 1), "");
  EXPECT_EQ(TextMiddle("abcdef", 6, 1), "f");
  EXPECT_EQ(TextMiddle("abcdef", 2, 0), "");
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength(kZhong + "a"), 3);
}

TEST(Spaces, TrimRemoveAndMake) {
  EXPECT_EQ(TrimBoth("  a b  "), "a b");
  EXPECT_EQ(TrimBoth(kFullSpace + " a" + kFullSpace), "a");
  EXPECT_EQ(TrimBoth("\ta\r\n"), "\ta\r\n");
  EXPECT_EQ(TrimBoth("   "), "");
  EXPECT_EQ(TrimBoth(kFullSpace), "");
  // B0 A1 ends with A1 and the next A1 A1 is a full-width space: only the
  // space goes, the character stays whole.
  EXPECT_EQ(TrimBoth("\xb0\xa1" + kFullSpace), "\xb0\xa1");
  EXPECT_EQ(TrimBoth("\xb0\xa1\xa1"), "\xb0\xa1\xa1");
  EXPECT_EQ(RemoveSpaces(" a" + kFullSpace + "b c\t"), "abc\t");
  EXPECT_EQ(RemoveSpaces("\xb0\xa1\xa1\xa1"), "\xb0\xa1");
  EXPECT_EQ(SpacesText(3), "   ");
  EXPECT_EQ(SpacesText(0), "");
  EXPECT_EQ(SpacesText(-2), "");
}

TEST(CharCodes, FromAndAt) {
  EXPECT_EQ(CharFromCode(65), "A");
  EXPECT_EQ(CharFromCode(0xD6), "\xd6");
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharCodeAt("\xd6\xd0"), -42);
  EXPECT_EQ(CharCodeAt("ab", 2), 98);
  EXPECT_EQ(CharCodeAt("ab", 3), 0);
  EXPECT_EQ(CharCodeAt("ab", 0), 0);
  EXPECT_EQ(CharCodeAt(""), 0);
}

}  // namespace
}  // namespace dw
