// Characters GBK lacks, held as four-byte GB18030 sequences.
#include "runtime/gb18030.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/encoding.h"
#include "text/gbk_codec.h"
#include "text/page_text.h"

namespace dw {
namespace {

const std::string kFire = "\x94\x39\xE6\x37";  // U+1F525, as GB18030 has it

TEST(Gb18030Test, RoundTripsThroughUtf8) {
  const struct {
    std::string utf8;
    std::string inner;
    size_t characters;
  } cases[] = {
      {"\xF0\x9F\x94\xA5", kFire, 1},               // emoji
      {"\xC3\x9F", "\x81\x30\x89\x38", 1},          // ß
      {"\xC2\xBD", "\x81\x30\x86\x35", 1},          // ½
      {"K\xC3\xB6ln", "K\x81\x30\x8B\x32ln", 4},    // Köln
      {"\xE3\x80\x80", "\xA1\xA1", 1},              // U+3000
      {"\xE2\x82\xAC", "\x80", 1},                  // € as GBK
      {"\xEF\xBF\xBD", "\x84\x31\xA4\x37", 1},      // U+FFFD
      {"\xF4\x8F\xBF\xBF", "\xE3\x32\x9A\x35", 1},  // U+10FFFF
      {"\xF0\xA0\x82\x87", "\xFE\x51", 1},  // U+20087, two bytes in GB18030
      {"a\xC3\x9F\xE4\xB8\xAD", "a\x81\x30\x89\x38\xD6\xD0", 3},  // aß中
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.inner) << c.utf8;
    EXPECT_EQ(GbkToUtf8(c.inner), c.utf8) << c.utf8;
    EXPECT_EQ(GbkToWide(c.inner).size(), c.characters) << c.utf8;
  }
  // Four bytes of that shape GB18030 leaves empty: U+FFFD in UTF-8, and
  // the same bytes again from the wide form.
  const std::string empty = "\x84\x31\xA5\x30";
  bool whole = true;
  const std::string utf8 = GbkToUtf8(empty, &whole);
  EXPECT_EQ(utf8 + (whole ? "" : "!"), "\xEF\xBF\xBD!");
  EXPECT_EQ(WideToGbk(GbkToWide(empty)), empty);
}

// Every two-byte code means what GB18030 says, where code page 936 says
// the same, so GBK text reads as GBK; the one exception on purpose is
// 0xA2 0xE3, GB18030's euro sign, which GBK writes as 0x80. Every four-byte
// code of the basic plane means what GB18030 says.
TEST(Gb18030Test, CodesAgreeWithTheSystemConverters) {
  EncodingConverter gbk("CP936", "UTF-32LE");
  EncodingConverter gb18030("GB18030", "UTF-32LE");
  auto code_point = [](const std::optional<std::string>& utf32) {
    int32_t cp = 0;
    for (int k = 3; k >= 0 && utf32 && utf32->size() == 4; --k) {
      cp = cp * 256 + static_cast<unsigned char>((*utf32)[k]);
    }
    return utf32 && utf32->size() == 4 ? cp : -1;
  };
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const int32_t in_gbk = code_point(gbk.Convert(pair));
      const int32_t in_gb18030 = code_point(gb18030.Convert(pair));
      size_t length = 0;
      const int32_t ours = DecodeGbkChar(pair, 0, &length);
      if (in_gbk >= 0) {
        EXPECT_EQ(in_gbk, in_gb18030) << lead << " " << trail;
      }
      EXPECT_EQ(ours, pair == "\xA2\xE3" ? -1 : in_gb18030)
          << lead << " " << trail;
    }
  }
  char four[4];
  for (uint32_t number = 0; number < 39420; ++number) {
    PutFourByteNumber(number, four);
    EXPECT_EQ(FourByteChar(four), code_point(gb18030.Convert({four, 4})))
        << number;
  }
}

}  // namespace
}  // namespace dw
