#include "text/gbk_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/encoding.h"

namespace dw {
namespace {

TEST(GbkCodecTest, DecodesCharactersAsUnits) {
  EXPECT_EQ(GbkToWide("\xD5\xE6"
                      "a"),
            L"\u771F"
            L"a");  // 真a
  EXPECT_EQ(GbkToWide("\x80"), L"\u20AC");
  EXPECT_EQ(GbkToWide("\xA3\xC1"), L"\uFF21");  // full-width A
  EXPECT_EQ(GbkToWide(""), L"");
  EXPECT_EQ(WideToGbk(L"\u4ECA\u65E5"), "\xBD\xF1\xC8\xD5");  // 今日
  // Nothing in GBK for these: four bytes each; a lone surrogate has none.
  EXPECT_EQ(WideToGbk(L"a\uD55C"
                      L"b\U0001F600"),
            "a\x83\x36\x84\x33"
            "b\x94\x39\xFC\x36");
  EXPECT_EQ(WideToGbk(std::wstring(1, static_cast<wchar_t>(0xD800))), "?");
}

TEST(GbkCodecTest, RoundTripKeepsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(WideToGbk(GbkToWide(all)), all);

  std::mt19937 rng(7);
  for (int n = 0; n < 200; ++n) {
    std::string s(rng() % 40, '\0');
    for (char& c : s) c = static_cast<char>(rng() % 255 + 1);
    EXPECT_EQ(WideToGbk(GbkToWide(s)), s);
  }
}

TEST(GbkCodecTest, BrokenPairsBecomeSeparateCharacters) {
  // A lead byte with a trail byte outside the trail range, and at the end.
  std::wstring w = GbkToWide("\x81 \x81");
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[1], L' ');
  EXPECT_NE(w[0], L'?');
  EXPECT_EQ(GbkByteOffset("\x81 \x81", 2), 2u);
}

TEST(GbkCodecTest, ByteOffsetCountsCharacters) {
  const std::string s =
      "\xD5\xE6"
      "a\xBD\xF1"
      "b";  // 真a今b
  const size_t expected[] = {0, 2, 3, 5, 6, 6};
  for (size_t chars = 0; chars < 6; ++chars) {
    EXPECT_EQ(GbkByteOffset(s, chars), expected[chars]) << chars;
  }
}

TEST(GbkCodecTest, WideTextMatchesCharacterByCharacterDecoding) {
  std::mt19937 rng(11);
  const std::string pieces[] = {"<a href=x>", "\xD5\xE6",         "\x81",
                                " ",          "abcdefghijklmnop", "\x80",
                                "\xFF",       "\xA3\xC1"};
  for (int n = 0; n < 50; ++n) {
    std::string s;
    int count = static_cast<int>(rng() % 120);
    for (int k = 0; k < count; ++k) s += pieces[rng() % 8];
    WideText wide(s);
    std::wstring expected = GbkToWide(s);
    ASSERT_EQ(std::wstring(wide.begin(), wide.end()), expected);
    for (size_t c = 0; c <= wide.size(); ++c) {
      ASSERT_EQ(wide.ByteOffset(s, c), GbkByteOffset(s, c)) << n << " " << c;
    }
  }
  EXPECT_EQ(WideText("").size(), 0u);
  EXPECT_EQ(WideText("").ByteOffset("", 0), 0u);
}

TEST(GbkCodecTest, AgreesWithSystemConverterOnEveryPair) {
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      std::optional<std::string> utf32 =
          ConvertEncoding(pair, "CP936", "UTF-32LE");
      std::wstring w = GbkToWide(pair);
      if (utf32 && utf32->size() == 4) {
        ASSERT_EQ(w.size(), 1u) << lead << " " << trail;
        uint32_t cp = 0;
        for (int k = 3; k >= 0; --k)
          cp = cp * 256 + static_cast<unsigned char>((*utf32)[k]);
        EXPECT_EQ(static_cast<uint32_t>(w[0]), cp) << lead << " " << trail;
        EXPECT_EQ(WideToGbk(w), pair);
      } else {
        // Still one character when the trail byte is a valid one.
        EXPECT_EQ(w.size(), trail == 0x7F ? 2u : 1u) << lead << " " << trail;
        EXPECT_EQ(WideToGbk(w), pair);
      }
    }
  }
}

}  // namespace
}  // namespace dw
