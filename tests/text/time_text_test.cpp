#include "text/time_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>

namespace dw {
namespace {

DateTime At(int year, int month, int day, int hour, int minute,
            int second = 0) {
  return FromCalendarTime({year, month, day, hour, minute, second});
}

std::string Short(DateTime value) { return TimeTextAt(value, false); }

TEST(TimeText, ShortFormCountsHoursOnTheTwentyFourHourClock) {
  struct Case {
    DateTime value;
    std::string expected;
  };
  const Case cases[] = {
      {At(2019, 3, 1, 9, 5), "3/1 09:05"},
      {At(2019, 3, 1, 21, 5), "3/1 21:05"},
      {At(2019, 6, 1, 12, 30), "6/1 12:30"},
      {At(2019, 6, 1, 0, 30), "6/1 00:30"},
      {At(2026, 12, 7, 13, 41), "12/7 13:41"},
      {At(2018, 12, 31, 23, 59, 59), "12/31 23:59"},
  };
  for (const auto& c : cases) EXPECT_EQ(Short(c.value), c.expected);
}

TEST(TimeText, LongForm) {
  EXPECT_EQ(TimeTextAt(At(2019, 1, 2, 0, 0, 7), true), "2019/1/2 00:00:07");
  EXPECT_EQ(TimeTextAt(At(2018, 5, 31, 15, 15, 42), true),
            "2018/5/31 15:15:42");
}

TEST(FormatDateTime, PicturesAndSwitches) {
  const DateTime t = At(2009, 7, 4, 13, 8, 9);  // a Saturday
  EXPECT_EQ(FormatDateTime(t, "yyyy-MM-dd", "HH:mm:ss", false),
            "2009-07-04"
            "13:08:09");
  EXPECT_EQ(FormatDateTime(t, "yy/M/d", "h:m:s", false),
            "09/7/4"
            "1:8:9");
  EXPECT_EQ(FormatDateTime(t, "", "hh:mm", true), "13:08");
  EXPECT_EQ(FormatDateTime(At(987, 6, 5, 0, 0), "yyyy/M/d", "", false),
            "0987/6/5");
  EXPECT_EQ(FormatDateTime(t, "M/", "hh:mm", false), "01:08");  // too short
  EXPECT_EQ(FormatDateTime(t, "M/d ", "hh", false), "7/4 ");
  EXPECT_EQ(FormatDateTime(t, "'d'd 'it''s'", "", false), "d4 it's");
  // A double-byte character whose second byte is a picture letter stays.
  EXPECT_EQ(FormatDateTime(t, "d\x81\x64", "m\x81\x6D", false),
            "4\x81\x64"
            "8\x81\x6D");
  // 星期六 / 七月 / 下午
  EXPECT_EQ(FormatDateTime(t, "dddd", "", false), "\xd0\xc7\xc6\xda\xc1\xf9");
  EXPECT_EQ(FormatDateTime(t, "MMMM", "", false), "\xc6\xdf\xd4\xc2");
  EXPECT_EQ(FormatDateTime(t, "", "tt h", false), "\xcf\xc2\xce\xe7 1");
}

TEST(FormatDateTime, InvalidDatesGiveEmptyText) {
  EXPECT_EQ(Short(DateTime{1e7}), "");
  EXPECT_EQ(Short(DateTime{-1e7}), "");
  EXPECT_EQ(Short(DateTime{std::nan("")}), "");
}

TEST(TimeText, MatchesTheClock) {
  std::time_t raw = std::time(nullptr);
  std::tm local{};
  localtime_r(&raw, &local);
  const std::string text = TimeText();
  const std::string day = std::to_string(local.tm_mon + 1) + "/" +
                          std::to_string(local.tm_mday) + " ";
  // Unless the day changed between the two readings.
  if (local.tm_hour != 23 || local.tm_min != 59) {
    EXPECT_EQ(text.substr(0, day.size()), day);
  }
  EXPECT_EQ(text.size(), day.size() + 5);
  EXPECT_EQ(TimeText(true).size(),
            std::to_string(local.tm_year + 1900).size() + 1 + day.size() + 8);
}

}  // namespace
}  // namespace dw
