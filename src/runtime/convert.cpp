#include "runtime/convert.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "runtime/gbk_char.h"
#include "runtime/gbk_constants.h"
#include "runtime/runtime_error.h"

namespace dw {
namespace {

template <class T>
std::string RawBytes(T value) {
  std::string out(sizeof(T), '\0');
  std::memcpy(out.data(), &value, sizeof(T));
  return out;
}

// Leading decimal number of already folded text, wrapping around on
// overflow.
unsigned long long LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() &&
         (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  return negative ? 0ULL - value : value;
}

template <class Int>
Int TruncateToward0(double value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  if (t <= static_cast<double>(std::numeric_limits<Int>::min()))
    return std::numeric_limits<Int>::min();
  if (t >= static_cast<double>(std::numeric_limits<Int>::max()))
    return std::numeric_limits<Int>::max();
  return static_cast<Int>(t);
}

std::string Formatted(const char* format, double value) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

template <class T>
T ReadFixed(const std::string& bytes, std::size_t from) {
  unsigned char raw[sizeof(T)] = {};
  for (std::size_t k = 0; k < sizeof(T) && from + k < bytes.size(); ++k)
    raw[k] = static_cast<unsigned char>(bytes[from + k]);
  T value;
  std::memcpy(&value, raw, sizeof(T));
  return value;
}

std::size_t FixedSize(int type) {
  switch (type) {
    case kBytesByte:
      return 1;
    case kBytesShort:
      return 2;
    case kBytesLongInteger:
    case kBytesDouble:
    case kBytesDateTime:
      return 8;
    default:
      return 4;
  }
}

}  // namespace

std::string ToText(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

std::string ToText(const char* text) { return text ? text : ""; }

std::string ToText(long long value) { return std::to_string(value); }

std::string ToText(double value) { return Formatted("%.13g", value); }

std::string ToText(float value) {
  return Formatted("%.6g", static_cast<double>(value));
}

std::string ToText(bool value) { return value ? kTrueText : kFalseText; }

std::string ToText(DateTime value) {
  auto t = ToCalendarTime(value);
  if (!t) return std::string();
  // 年 月 日
  std::string out = std::to_string(t->year) + "\xc4\xea" +
                    std::to_string(t->month) + "\xd4\xc2" +
                    std::to_string(t->day) + "\xc8\xd5";
  const std::string hour = std::to_string(t->hour) + "\xca\xb1";      // 时
  const std::string minute = std::to_string(t->minute) + "\xb7\xd6";  // 分
  if (t->second != 0) {
    out += hour + minute + std::to_string(t->second) + "\xc3\xeb";  // 秒
  } else if (t->minute != 0) {
    out += hour + minute;
  } else if (t->hour != 0) {
    out += hour;
  }
  return out;
}

std::string FoldFullWidth(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = GbkCharLength(text, i);
    if (length != 2) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail & 0x7F);
    } else if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      out += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out += '*';
    } else {
      out.append(text, i, 2);
    }
    i += 2;
  }
  return out;
}

int ToInteger(const std::string& text) {
  return static_cast<int>(
      static_cast<unsigned>(LeadingNumber(FoldFullWidth(ToText(text)))));
}
int ToInteger(const char* text) { return ToInteger(ToText(text)); }
int ToInteger(double value) { return TruncateToward0<int>(value); }
int ToInteger(long long value) {
  return static_cast<int>(static_cast<unsigned>(value));
}
int ToInteger(bool value) { return value ? 1 : 0; }

long long ToLongInteger(const std::string& text) {
  return static_cast<long long>(LeadingNumber(FoldFullWidth(ToText(text))));
}
long long ToLongInteger(const char* text) {
  return ToLongInteger(ToText(text));
}
long long ToLongInteger(double value) {
  return TruncateToward0<long long>(value);
}
long long ToLongInteger(long long value) { return value; }

std::string ToByteString(const std::string& text) { return text; }
std::string ToByteString(const char* text) { return text ? text : ""; }
std::string ToByteString(float value) { return RawBytes(value); }
std::string ToByteString(double value) { return RawBytes(value); }
std::string ToByteString(bool value) {
  return ToByteString(static_cast<std::int32_t>(value ? 1 : 0));
}
std::string ToByteString(DateTime value) { return RawBytes(value.days); }

int ByteStringLength(const std::string& bytes) {
  return static_cast<int>(bytes.size());
}

std::string ZeroBytes(int size) {
  if (size <= 0) return std::string();
  return std::string(static_cast<std::size_t>(size), '\0');
}

BytesValue ReadBytesData(const std::string& bytes, int type, int* position) {
  if (type < kBytesByte || type > kBytesText)
    RaiseRuntimeError(RuntimeError::kBadBytesDataType);
  // A start past every byte reads zeros, or empty text.
  std::size_t from = 0;
  if (position) {
    from =
        *position >= 1 ? static_cast<std::size_t>(*position) - 1 : bytes.size();
  }
  std::size_t next = 0;  // 0-based index of the byte after the value
  BytesValue value;
  if (type == kBytesText) {
    if (from >= bytes.size()) {
      value = std::string();
      next = bytes.size();
    } else {
      std::size_t zero = bytes.find('\0', from);
      if (zero == std::string::npos) {
        value = bytes.substr(from);
        next = bytes.size();
      } else {
        value = bytes.substr(from, zero - from);
        next = zero + 1;
      }
    }
  } else {
    next = from + FixedSize(type);
    switch (type) {
      case kBytesByte:
        value = ReadFixed<std::uint8_t>(bytes, from);
        break;
      case kBytesShort:
        value = ReadFixed<std::int16_t>(bytes, from);
        break;
      case kBytesInteger:
        value = ReadFixed<std::int32_t>(bytes, from);
        break;
      case kBytesLongInteger:
        value = ReadFixed<std::int64_t>(bytes, from);
        break;
      case kBytesFloat:
        value = ReadFixed<float>(bytes, from);
        break;
      case kBytesDouble:
        value = ReadFixed<double>(bytes, from);
        break;
      case kBytesBoolean:
        value = ReadFixed<std::int32_t>(bytes, from) != 0;
        break;
      case kBytesDateTime:
        value = DateTime{ReadFixed<double>(bytes, from)};
        break;
      case kBytesSubroutine:
        value = SubroutineRef{ReadFixed<std::uint32_t>(bytes, from)};
        break;
    }
  }
  if (position) {
    *position = next < bytes.size() ? static_cast<int>(next) + 1 : -1;
  }
  return value;
}

}  // namespace dw
