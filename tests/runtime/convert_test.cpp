#include "runtime/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace dw {
namespace {

using namespace std::string_literals;

TEST(ToText, Numbers) {
  EXPECT_EQ(ToText(0.1), "0.1");
  EXPECT_EQ(ToText(1.0 / 3.0), "0.3333333333333");
  EXPECT_EQ(ToText(1e20), "1e+20");
  EXPECT_EQ(ToText(0.1f), "0.1");
  EXPECT_EQ(ToText(1234567.0f), "1.23457e+06");
  EXPECT_EQ(ToText(-42), "-42");
  EXPECT_EQ(ToText(9007199254740993LL), "9007199254740993");
  EXPECT_EQ(ToText(std::uint8_t{200}), "200");
}

TEST(ToText, BooleansAndTexts) {
  EXPECT_EQ(ToText(true), "\xd5\xe6");   // 真
  EXPECT_EQ(ToText(false), "\xbc\xd9");  // 假
  EXPECT_EQ(ToText("abc"), "abc");
  EXPECT_EQ(ToText("ab\0cd"s), "ab");
}

// The GBK text of a date written with Y M D h m s for its units.
std::string DateText(const std::string& units) {
  static const char* const kUnits[][2] = {
      {"Y", "\xc4\xea"}, {"M", "\xd4\xc2"}, {"D", "\xc8\xd5"},  // 年 月 日
      {"h", "\xca\xb1"}, {"m", "\xb7\xd6"}, {"s", "\xc3\xeb"},  // 时 分 秒
  };
  std::string out;
  for (char c : units) {
    std::string piece(1, c);
    for (const auto& unit : kUnits) {
      if (piece == unit[0]) piece = unit[1];
    }
    out += piece;
  }
  return out;
}

TEST(ToText, DateTimeDropsTrailingZeroFields) {
  struct Case {
    CalendarTime time;
    std::string units;
  };
  const std::vector<Case> cases = {
      {{2019, 1, 2, 3, 4, 5}, "2019Y1M2D3h4m5s"},
      {{2019, 1, 2, 0, 0, 5}, "2019Y1M2D0h0m5s"},
      {{2019, 1, 2, 3, 4, 0}, "2019Y1M2D3h4m"},
      {{2019, 1, 2, 0, 4, 0}, "2019Y1M2D0h4m"},
      {{2019, 1, 2, 3, 0, 0}, "2019Y1M2D3h"},
      {{2019, 12, 31, 0, 0, 0}, "2019Y12M31D"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToText(FromCalendarTime(c.time)), DateText(c.units)) << c.units;
  }
  EXPECT_EQ(ToText(DateTime{1e9}), "");
}

TEST(ToInteger, TextRules) {
  struct Case {
    std::string text;
    int expected;
  };
  const std::vector<Case> cases = {
      {"\xa3\xb1\xa3\xb2", 12},  // full-width 1 2
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"  \t-17", -17},
      {"+5", 5},
      {"- 5", 0},
      {"\xa1\xa1"
       "8",
       8},  // full-width space before 8
      {"\xa3\xad"
       "3",
       -3},  // full-width minus
      {"3.9", 3},
      {"4294967297", 1},  // wraps around like a 32-bit register
      {"0x10", 0},
      {"\xd6\xd0"
       "5",
       0},  // a Chinese character is not a digit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToInteger(c.text), c.expected) << c.text;
  }
}

TEST(ToInteger, NumbersAndLongForms) {
  EXPECT_EQ(ToInteger(3.99), 3);
  EXPECT_EQ(ToInteger(-3.99), -3);
  EXPECT_EQ(ToInteger(2.5f), 2);
  EXPECT_EQ(ToInteger(1e30), 2147483647);
  EXPECT_EQ(ToInteger(std::nan("")), 0);
  EXPECT_EQ(ToLongInteger("9007199254740993"), 9007199254740993LL);
  EXPECT_EQ(ToLongInteger("\xa3\xb9\xa3\xb9x"), 99);
  EXPECT_EQ(ToLongInteger(-2.7), -2);
  EXPECT_EQ(ToLongInteger(""), 0);
  EXPECT_EQ(ToByte(std::string("258")), 2);
  EXPECT_EQ(ToByte(-1), 255);
}

TEST(FoldFullWidth, Forms) {
  EXPECT_EQ(FoldFullWidth("\xa3\xc1\xa1\xab\xa1\xee\xa1\xef\xa1\xa1"), "A~** ");
  EXPECT_EQ(FoldFullWidth("\xd6\xd0\xa3"), "\xd6\xd0\xa3");
  // A3 as the second byte of a character is not a fold.
  EXPECT_EQ(FoldFullWidth("\xb0\xa3\xb1"), "\xb0\xa3\xb1");
}

TEST(ByteStrings, MakeAndMeasure) {
  EXPECT_EQ(ToByteString("ab"), "ab");
  EXPECT_EQ(ToByteString(std::int32_t{0x01020304}), "\x04\x03\x02\x01"s);
  EXPECT_EQ(ToByteString(std::int16_t{-2}), "\xfe\xff"s);
  EXPECT_EQ(ToByteString(std::uint8_t{7}), "\x07"s);
  EXPECT_EQ(ToByteString(std::int64_t{1}), "\x01\0\0\0\0\0\0\0"s);
  EXPECT_EQ(ToByteString(true), "\x01\0\0\0"s);
  EXPECT_EQ(ByteStringLength(ToByteString(1.5)), 8);
  EXPECT_EQ(ByteStringLength(ToByteString(1.5f)), 4);
  EXPECT_EQ(ZeroBytes(3), "\0\0\0"s);
  EXPECT_EQ(ZeroBytes(0), "");
  EXPECT_EQ(ZeroBytes(-1), "");
}

TEST(ReadBytesData, PositionsAdvanceAndEnd) {
  const std::string data =
      ToByteString(std::int32_t{258}) + "hi\0"s + ToByteString(2.5) + "tail"s;
  int pos = 1;
  EXPECT_EQ(std::get<std::int32_t>(ReadBytesData(data, kBytesInteger, &pos)),
            258);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(std::get<std::string>(ReadBytesData(data, kBytesText, &pos)), "hi");
  EXPECT_EQ(pos, 8);  // after the terminating zero
  EXPECT_EQ(std::get<double>(ReadBytesData(data, kBytesDouble, &pos)), 2.5);
  EXPECT_EQ(pos, 16);
  EXPECT_EQ(std::get<std::string>(ReadBytesData(data, kBytesText, &pos)),
            "tail");
  EXPECT_EQ(pos, -1);  // nothing left
  // -1 fed back reads nothing and stays -1.
  EXPECT_EQ(std::get<std::string>(ReadBytesData(data, kBytesText, &pos)), "");
  EXPECT_EQ(pos, -1);
}

TEST(ReadBytesData, EdgesAndZeroFill) {
  const std::string data = "\x01\x02\x03"s;
  // Without a position the read starts at the first byte.
  EXPECT_EQ(std::get<std::int16_t>(ReadBytesData(data, kBytesShort)), 0x0201);
  // Running past the end reads zeros for the missing bytes.
  int pos = 2;
  EXPECT_EQ(std::get<std::int32_t>(ReadBytesData(data, kBytesInteger, &pos)),
            0x0302);
  EXPECT_EQ(pos, -1);
  // A value ending exactly on the last byte leaves nothing after it.
  pos = 3;
  EXPECT_EQ(std::get<std::uint8_t>(ReadBytesData(data, kBytesByte, &pos)), 3);
  EXPECT_EQ(pos, -1);
  pos = 2;
  EXPECT_EQ(std::get<std::uint8_t>(ReadBytesData(data, kBytesByte, &pos)), 2);
  EXPECT_EQ(pos, 3);
  // Text ending in a final zero: nothing left after the zero.
  pos = 1;
  EXPECT_EQ(std::get<std::string>(ReadBytesData("ab\0"s, kBytesText, &pos)),
            "ab");
  EXPECT_EQ(pos, -1);
  EXPECT_TRUE(std::get<bool>(ReadBytesData(ToByteString(true), kBytesBoolean)));
  EXPECT_EQ(std::get<DateTime>(
                ReadBytesData(ToByteString(DateTime{43466.5}), kBytesDateTime))
                .days,
            43466.5);
  EXPECT_EQ(std::get<std::int64_t>(ReadBytesData("", kBytesLongInteger)), 0);
}

TEST(ReadBytesDataDeathTest, BadTypeStopsProgram) {
  // 参数值无效 in UTF-8 on stderr, exit code -1.
  EXPECT_EXIT(ReadBytesData("abc", 11), ::testing::ExitedWithCode(255),
              "\xe5\x8f\x82\xe6\x95\xb0\xe5\x80\xbc\xe6\x97\xa0\xe6\x95\x88");
  EXPECT_EXIT(ReadBytesData("abc", 0), ::testing::ExitedWithCode(255), "");
}

}  // namespace
}  // namespace dw
