// Date-times as OLE dates: a double counting days since 1899-12-30, local
// time, with the fraction giving the time of day.
#pragma once

#include <optional>

namespace dw {

struct DateTime {
  double days = 0.0;
};

struct CalendarTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Calendar fields of an OLE date, rounded to the nearest second. Dates
// outside 100-01-01 .. 9999-12-31 (and NaN) give nothing. For negative
// values the fraction is the time of day counted forward, as OLE dates do:
// -1.25 is 1899-12-29 06:00.
std::optional<CalendarTime> ToCalendarTime(DateTime value);

// The OLE date of calendar fields (no range check on the fields).
DateTime FromCalendarTime(const CalendarTime& time);

// The current local time in whole seconds.
DateTime Now();

}  // namespace dw
