#include "store/post_time.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace dw {
namespace {

// The moment of local calendar fields, or nothing when the fields name no
// day (2/30) or no time.
std::optional<std::int64_t> FromLocal(const CalendarTime& t) {
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
      t.second > 59) {
    return std::nullopt;
  }
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  const std::time_t moment = std::mktime(&tm);
  if (moment == static_cast<std::time_t>(-1) || tm.tm_mday != t.day ||
      tm.tm_mon != t.month - 1) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(moment);
}

// Unsigned decimal numbers and the single characters between them.
struct Pieces {
  std::vector<int> numbers;
  std::string separators;
};

std::optional<Pieces> Split(std::string_view text) {
  Pieces pieces;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    int value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (++digits > 4) return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    pieces.numbers.push_back(value);
    if (i < text.size()) pieces.separators += text[i++];
    if (i == text.size() && pieces.separators.size() == pieces.numbers.size())
      return std::nullopt;  // ends in a separator
  }
  return pieces;
}

}  // namespace

std::int64_t UnixTimeOf(DateTime local) {
  const auto fields = ToCalendarTime(local);
  if (!fields) return 0;
  return FromLocal(*fields).value_or(0);
}

std::int64_t UnixNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

CalendarTime LocalCalendar(std::int64_t unix_time) {
  const std::time_t moment = static_cast<std::time_t>(unix_time);
  std::tm tm{};
  localtime_r(&moment, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
          tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::string IsoLocalTime(std::int64_t unix_time) {
  const CalendarTime t = LocalCalendar(unix_time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year,
                t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::optional<std::int64_t> ParseAddTime(std::string_view text,
                                         std::int64_t now) {
  const auto pieces = Split(text);
  if (!pieces) return std::nullopt;
  const std::vector<int>& n = pieces->numbers;
  const std::string& sep = pieces->separators;
  if (sep == "/ :") {  // M/d hh:mm
    const int this_year = LocalCalendar(now).year;
    // Eight years back reach a 29 February from any year.
    for (int year = this_year; year >= this_year - 8; --year) {
      const auto moment = FromLocal({year, n[0], n[1], n[2], n[3], 0});
      if (moment && *moment <= now) return moment;
      if (!moment && year == this_year && n[1] != 29) return std::nullopt;
    }
    return std::nullopt;
  }
  const bool full_date = sep.size() >= 4 && sep[0] == sep[1] &&
                         (sep[0] == '/' || sep[0] == '-') &&
                         (sep[2] == ' ' || sep[2] == 'T') && sep[3] == ':';
  if (!full_date || sep.size() > 5 || (sep.size() == 5 && sep[4] != ':')) {
    return std::nullopt;
  }
  return FromLocal({n[0], n[1], n[2], n[3], n[4], sep.size() == 5 ? n[5] : 0});
}

std::int64_t StartOfLocalDay(std::int64_t now, int days_back) {
  CalendarTime t = LocalCalendar(now);
  t.hour = t.minute = t.second = 0;
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day - days_back;  // mktime carries into earlier months
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

}  // namespace dw
