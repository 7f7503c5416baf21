#include "runtime/date_time.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace dw {
namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr double kFirstDay = -657434.0;  // 100-01-01
constexpr double kLastDay = 2958466.0;   // 10000-01-01, exclusive

// Days from 1970-01-01 to a proleptic Gregorian date.
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int* y, int* m, int* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(era * 400 + yoe + (*m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr long long kOleEpochDays = -25569;

}  // namespace

std::optional<CalendarTime> ToCalendarTime(DateTime value) {
  const double v = value.days;
  if (!std::isfinite(v) || v < kFirstDay || v >= kLastDay) return std::nullopt;
  double whole = std::trunc(v);
  long long day = static_cast<long long>(whole);
  long long secs = std::llround(std::fabs(v - whole) * kSecondsPerDay);
  if (secs >= kSecondsPerDay) {
    secs -= kSecondsPerDay;
    day += 1;
  }
  CalendarTime out;
  CivilFromDays(day + kOleEpochDays, &out.year, &out.month, &out.day);
  if (out.year > 9999) return std::nullopt;
  out.hour = static_cast<int>(secs / 3600);
  out.minute = static_cast<int>(secs / 60 % 60);
  out.second = static_cast<int>(secs % 60);
  return out;
}

DateTime FromCalendarTime(const CalendarTime& t) {
  long long day = DaysFromCivil(t.year, t.month, t.day) - kOleEpochDays;
  double frac = (t.hour * 3600.0 + t.minute * 60.0 + t.second) /
                static_cast<double>(kSecondsPerDay);
  // Days before the epoch keep their time of day as a positive distance
  // from the day's start, so the fraction counts away from zero.
  return DateTime{day < 0 ? static_cast<double>(day) - frac
                          : static_cast<double>(day) + frac};
}

DateTime Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  CalendarTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = std::min(local.tm_sec, 59);
  return FromCalendarTime(t);
}

}  // namespace dw
