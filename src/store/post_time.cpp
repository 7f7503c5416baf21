#include "store/post_time.h"

#include <cstdio>
#include <ctime>

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

// Unsigned decimal numbers and the single characters between them; no
// form has more than six numbers.
struct Pieces {
  int numbers[6] = {};
  char separators[6] = {};
  std::size_t count = 0;  // of numbers; one separator fewer, or as many
  std::size_t separator_count = 0;
  std::string_view Separators() const { return {separators, separator_count}; }
};

std::optional<Pieces> Split(std::string_view text) {
  Pieces pieces;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] < '0' || text[i] > '9' || pieces.count == 6) {
      return std::nullopt;
    }
    int value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (++digits > 4) return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    pieces.numbers[pieces.count++] = value;
    if (i < text.size())
      pieces.separators[pieces.separator_count++] = text[i++];
    if (i == text.size() && pieces.separator_count == pieces.count)
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

AddTimeReader::AddTimeReader(std::int64_t now)
    : now_(now), this_year_(LocalCalendar(now).year) {}

std::optional<std::int64_t> AddTimeReader::Moment(const CalendarTime& t) {
  if (t.year != hour_.year || t.month != hour_.month || t.day != hour_.day ||
      t.hour != hour_.hour) {
    hour_ = {t.year, t.month, t.day, t.hour, 0, 0};
    hour_start_ = FromLocal(hour_);
    const auto last = FromLocal({t.year, t.month, t.day, t.hour, 59, 59});
    // A clock change inside the hour breaks the simple sum; such an hour
    // is asked of the time zone minute by minute.
    even_hour_ = hour_start_ && last && *last == *hour_start_ + 3599;
  }
  if (!even_hour_) return FromLocal(t);
  if (t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) {
    return std::nullopt;
  }
  return *hour_start_ + t.minute * 60 + t.second;
}

std::optional<std::int64_t> AddTimeReader::Read(std::string_view text) {
  const auto pieces = Split(text);
  if (!pieces) return std::nullopt;
  const int* n = pieces->numbers;
  const std::string_view sep = pieces->Separators();
  if (sep == "/ :") {  // M/d hh:mm
    // Eight years back reach a 29 February from any year.
    for (int year = this_year_; year >= this_year_ - 8; --year) {
      const auto moment = Moment({year, n[0], n[1], n[2], n[3], 0});
      if (moment && *moment <= now_) return moment;
      if (!moment && year == this_year_ && n[1] != 29) return std::nullopt;
    }
    return std::nullopt;
  }
  const bool full_date = sep.size() >= 4 && sep[0] == sep[1] &&
                         (sep[0] == '/' || sep[0] == '-') &&
                         (sep[2] == ' ' || sep[2] == 'T') && sep[3] == ':';
  if (!full_date || sep.size() > 5 || (sep.size() == 5 && sep[4] != ':')) {
    return std::nullopt;
  }
  return Moment({n[0], n[1], n[2], n[3], n[4], sep.size() == 5 ? n[5] : 0});
}

std::optional<std::int64_t> ParseAddTime(std::string_view text,
                                         std::int64_t now) {
  return AddTimeReader(now).Read(text);
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
