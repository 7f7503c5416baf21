// Fetch times of stored posts as real timestamps (seconds since 1970-01-01
// UTC), and the ways back from and to the texts people read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/date_time.h"

namespace dw {

// The moment of a local date-time; 0 when it is not a valid date.
std::int64_t UnixTimeOf(DateTime local);

std::int64_t UnixNow();

// Local calendar fields of a moment.
CalendarTime LocalCalendar(std::int64_t unix_time);

// "2026-12-07T13:41:00", local time.
std::string IsoLocalTime(std::int64_t unix_time);

// The moment a stored add-time names, local time. The short form "M/d hh:mm"
// has no year: it is the latest year in which that moment is not after
// `now`. Full forms with a year ("2026/12/7 13:41", "2026-12-07 13:41:05",
// with "T" too) are taken as they are. Nothing for any other text.
std::optional<std::int64_t> ParseAddTime(std::string_view text,
                                         std::int64_t now);

// ParseAddTime for many texts against one `now`. Texts of one hour follow
// each other when posts are read in the order they were stored: the hour's
// start is asked of the time zone once (each asking reads its file anew).
class AddTimeReader {
 public:
  explicit AddTimeReader(std::int64_t now);
  std::optional<std::int64_t> Read(std::string_view text);

 private:
  std::optional<std::int64_t> Moment(const CalendarTime& t);

  std::int64_t now_;
  int this_year_;
  CalendarTime hour_{};  // the hour last asked, minutes and seconds 0
  std::optional<std::int64_t> hour_start_;
  bool even_hour_ = false;  // no clock change inside it
};

// Midnight starting the local day `days_back` days before the one holding
// `now`.
std::int64_t StartOfLocalDay(std::int64_t now, int days_back = 0);

}  // namespace dw
