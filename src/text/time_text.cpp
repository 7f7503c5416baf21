#include "text/time_text.h"

#include <cmath>
#include <cstddef>
#include <string_view>

#include "runtime/gbk_char.h"

namespace dw {
namespace {

// 一 .. 十二
const char* const kMonthNames[] = {
    "\xd2\xbb", "\xb6\xfe", "\xc8\xfd",         "\xcb\xc4",
    "\xce\xe5", "\xc1\xf9", "\xc6\xdf",         "\xb0\xcb",
    "\xbe\xc5", "\xca\xae", "\xca\xae\xd2\xbb", "\xca\xae\xb6\xfe"};
// 日 一 二 三 四 五 六, Sunday first
const char* const kDayNames[] = {"\xc8\xd5", "\xd2\xbb", "\xb6\xfe", "\xc8\xfd",
                                 "\xcb\xc4", "\xce\xe5", "\xc1\xf9"};
constexpr char kMonth[] = "\xd4\xc2";              // 月
constexpr char kWeekShort[] = "\xd6\xdc";          // 周
constexpr char kWeekLong[] = "\xd0\xc7\xc6\xda";   // 星期
constexpr char kMorning[] = "\xc9\xcf\xce\xe7";    // 上午
constexpr char kAfternoon[] = "\xcf\xc2\xce\xe7";  // 下午

std::string Number(int value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

int Weekday(const CalendarTime& t) {
  CalendarTime midnight = t;
  midnight.hour = midnight.minute = midnight.second = 0;
  const long long day =
      static_cast<long long>(std::llround(FromCalendarTime(midnight).days));
  return static_cast<int>(((day + 6) % 7 + 7) % 7);  // 1899-12-30: Saturday
}

// Copies a quoted run starting at picture[i] == '\''; returns the index after
// it.
std::size_t CopyQuoted(std::string_view picture, std::size_t i,
                       std::string& out) {
  for (++i; i < picture.size(); ++i) {
    if (picture[i] != '\'') {
      out += picture[i];
    } else if (i + 1 < picture.size() && picture[i + 1] == '\'') {
      out += '\'';
      ++i;
    } else {
      return i + 1;
    }
  }
  return i;
}

// Text in single quotes is copied ('' is one quote), each run of one of
// `letters` becomes field(letter, run length), and everything else is
// copied, a double-byte character whole (its second byte may look like a
// letter).
template <class Field>
std::string ExpandPicture(std::string_view picture, std::string_view letters,
                          Field field) {
  std::string out;
  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      i = CopyQuoted(picture, i, out);
      continue;
    }
    if (IsGbkLead(static_cast<unsigned char>(c))) {
      const std::size_t len = GbkCharLength(picture, i);
      out.append(picture, i, len);
      i += len;
      continue;
    }
    if (letters.find(c) == std::string_view::npos) {
      out += c;
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    i += run;
    out += field(c, run);
  }
  return out;
}

std::string DatePart(const CalendarTime& t, std::string_view picture) {
  return ExpandPicture(picture, "dMy", [&t](char c, std::size_t run) {
    if (c == 'd') {
      if (run <= 2) return Number(t.day, run);
      return std::string(run == 3 ? kWeekShort : kWeekLong) +
             kDayNames[Weekday(t)];
    }
    if (c == 'M') {
      if (run <= 2) return Number(t.month, run);
      if (run == 3) return std::to_string(t.month) + kMonth;
      return std::string(kMonthNames[t.month - 1]) + kMonth;
    }
    if (run == 1) return std::to_string(t.year % 100);
    if (run == 2) return Number(t.year % 100, 2);
    return Number(t.year, 4);
  });
}

std::string TimePart(const CalendarTime& t, std::string_view picture,
                     bool use24Hour) {
  return ExpandPicture(
      picture, "hHmst", [&t, use24Hour](char c, std::size_t run) {
        const std::size_t width = run >= 2 ? 2 : 1;
        switch (c) {
          case 'h':
            if (!use24Hour) {
              return Number(t.hour % 12 == 0 ? 12 : t.hour % 12, width);
            }
            [[fallthrough]];
          case 'H':
            return Number(t.hour, width);
          case 'm':
            return Number(t.minute, width);
          case 's':
            return Number(t.second, width);
          default: {
            const std::string marker = t.hour < 12 ? kMorning : kAfternoon;
            return run == 1 ? marker.substr(0, 2) : marker;
          }
        }
      });
}

}  // namespace

std::string FormatDateTime(DateTime value, const std::string& datePicture,
                           const std::string& timePicture, bool use24Hour) {
  auto t = ToCalendarTime(value);
  if (!t) return std::string();
  std::string out;
  if (datePicture.size() >= 3) out += DatePart(*t, datePicture);
  if (timePicture.size() >= 3) out += TimePart(*t, timePicture, use24Hour);
  return out;
}

std::string TimeTextAt(DateTime value, bool longForm) {
  if (longForm) return FormatDateTime(value, "yyyy/M/d ", "hh:mm:ss", true);
  return FormatDateTime(value, "M/d ", "hh:mm", true);
}

std::string TimeText(bool longForm) { return TimeTextAt(Now(), longForm); }

}  // namespace dw
