#include "runtime/system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>

#include "runtime/date_time.h"
#include "runtime/temp_dir.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDirectory, IsTheFolderOfTheExecutable) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '/');
  EXPECT_TRUE(fs::exists(fs::path(dir) / "test_runtime"));
  EXPECT_TRUE(fs::equivalent(dir, fs::path(DW_BINARY_DIR) / "bin"));
}

TEST(FileExists, AnyEntryCounts) {
  dw::testing::TempDir dir;
  const std::string file = dir.Write("f", "x");
  fs::create_directory(dir.File("d"));
  fs::create_symlink(dir.File("gone"), dir.File("dangling"));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(dir.File("d")));
  EXPECT_TRUE(FileExists(dir.File("dangling")));
  EXPECT_FALSE(FileExists(dir.File("gone")));
  EXPECT_FALSE(FileExists(""));
}

TEST(OleDate, CalendarFields) {
  struct Case {
    double days;
    CalendarTime expected;
  };
  const Case cases[] = {
      {0.0, {1899, 12, 30, 0, 0, 0}},
      {2.5, {1900, 1, 1, 12, 0, 0}},
      {-1.25, {1899, 12, 29, 6, 0, 0}},
      {-0.25, {1899, 12, 30, 6, 0, 0}},
      {43466.0, {2019, 1, 1, 0, 0, 0}},
      {43525.0 + (21 * 60 + 5) / 1440.0, {2019, 3, 1, 21, 5, 0}},
      {60.0, {1900, 2, 28, 0, 0, 0}},
      {61.0, {1900, 3, 1, 0, 0, 0}},
      {43890.0, {2020, 2, 29, 0, 0, 0}},
      {0.999999999, {1899, 12, 31, 0, 0, 0}},  // rounds to the next day
      {2958465.0, {9999, 12, 31, 0, 0, 0}},
      {-657434.0, {100, 1, 1, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    auto got = ToCalendarTime(DateTime{c.days});
    ASSERT_TRUE(got) << c.days;
    EXPECT_EQ(got->year, c.expected.year) << c.days;
    EXPECT_EQ(got->month, c.expected.month) << c.days;
    EXPECT_EQ(got->day, c.expected.day) << c.days;
    EXPECT_EQ(got->hour, c.expected.hour) << c.days;
    EXPECT_EQ(got->minute, c.expected.minute) << c.days;
    EXPECT_EQ(got->second, c.expected.second) << c.days;
    auto back = ToCalendarTime(FromCalendarTime(*got));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->day, got->day);
    EXPECT_EQ(back->hour, got->hour);
  }
  EXPECT_FALSE(ToCalendarTime(DateTime{2958466.0}));
  EXPECT_FALSE(ToCalendarTime(DateTime{-657435.0}));
  EXPECT_FALSE(ToCalendarTime(DateTime{std::nan("")}));
}

TEST(OleDate, NowIsLocalTimeInWholeSeconds) {
  const DateTime now = Now();
  const double seconds = now.days * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
  auto t = ToCalendarTime(now);
  ASSERT_TRUE(t);
  std::time_t raw = std::time(nullptr);
  std::tm local{};
  localtime_r(&raw, &local);
  EXPECT_EQ(t->year, local.tm_year + 1900);
  EXPECT_EQ(t->month, local.tm_mon + 1);
}

}  // namespace
}  // namespace dw
