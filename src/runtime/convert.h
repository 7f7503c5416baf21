// Conversions between the program's value types. Text is GBK bytes; a byte
// string is a std::string that may hold zero bytes.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

#include "runtime/date_time.h"

namespace dw {

// --- ToText ---------------------------------------------------------------

// Text up to its first zero byte (so a byte string becomes its bytes up to
// the first zero byte).
std::string ToText(const std::string& text);
std::string ToText(const char* text);
std::string ToText(long long value);
template <std::integral T>
requires(!std::same_as<T, bool>) std::string ToText(T value) {
  return ToText(static_cast<long long>(value));
}
std::string ToText(double value);  // "%.13g"
std::string ToText(float value);   // "%.6g"
std::string ToText(bool value);    // "真" / "假"
// "Y年M月D日" followed by "h时m分s秒", "h时m分" or "h时", dropping trailing
// zero fields; a date that cannot be converted gives empty text.
std::string ToText(DateTime value);

// --- ToInteger / ToLongInteger / ToByte -------------------------------------

// Text: full-width forms folded to ASCII, leading white space skipped, an
// optional sign and the decimal digits up to the first other character; no
// digits give 0. Overflow wraps around.
int ToInteger(const std::string& text);
int ToInteger(const char* text);
// Floating values are truncated toward zero (NaN gives 0, values out of
// range are clamped).
int ToInteger(double value);
int ToInteger(long long value);  // low 32 bits
int ToInteger(bool value);
template <std::integral T>
requires(!std::same_as<T, bool>) int ToInteger(T value) {
  return ToInteger(static_cast<long long>(value));
}

long long ToLongInteger(const std::string& text);
long long ToLongInteger(const char* text);
long long ToLongInteger(double value);
long long ToLongInteger(long long value);
template <std::integral T>
requires(!std::same_as<T, bool>) long long ToLongInteger(T value) {
  return static_cast<long long>(value);
}

// The low 8 bits of the integer conversion.
template <class T>
std::uint8_t ToByte(const T& value) {
  return static_cast<std::uint8_t>(ToInteger(value) & 0xFF);
}

// Full-width letters, digits and signs (0xA3 0xA1..0xFE), the full-width
// space, "～" and the two "*" forms replaced by their ASCII bytes; other
// characters unchanged.
std::string FoldFullWidth(const std::string& text);

// --- Byte strings -----------------------------------------------------------

// Text: its bytes (no terminating zero). Numbers: their bytes little-endian,
// as wide as their type; a boolean takes 4 bytes, a date-time 8.
std::string ToByteString(const std::string& text);
std::string ToByteString(const char* text);
template <std::integral T>
requires(!std::same_as<T, bool>) std::string ToByteString(T value) {
  std::string out(sizeof(T), '\0');
  auto bits = static_cast<std::make_unsigned_t<T>>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    out[i] = static_cast<char>(bits & 0xFF);
    bits = static_cast<std::make_unsigned_t<T>>(bits >> 4 >> 4);
  }
  return out;
}
std::string ToByteString(float value);
std::string ToByteString(double value);
std::string ToByteString(bool value);
std::string ToByteString(DateTime value);

int ByteStringLength(const std::string& bytes);

// size zero bytes; size <= 0 gives an empty byte string.
std::string ZeroBytes(int size);

// Types readable by ReadBytesData.
enum BytesDataType {
  kBytesByte = 1,
  kBytesShort = 2,
  kBytesInteger = 3,
  kBytesLongInteger = 4,
  kBytesFloat = 5,
  kBytesDouble = 6,
  kBytesBoolean = 7,
  kBytesDateTime = 8,
  kBytesSubroutine = 9,  // read as a 32-bit value
  kBytesText = 10,
};

struct SubroutineRef {
  std::uint32_t value = 0;
};

using BytesValue =
    std::variant<std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float,
                 double, bool, DateTime, SubroutineRef, std::string>;

// Reads one value of the given type. Without position the read starts at the
// first byte. With position, it starts at that 1-based byte and position then
// receives the byte just after the value (after the terminating zero for
// text), or -1 when no byte is left. A fixed-size value running past the end
// reads the missing bytes as zeros; a position below 1 reads nothing (zeros or
// empty text) and leaves -1. A type outside 1..10 is a runtime error.
BytesValue ReadBytesData(const std::string& bytes, int type,
                         int* position = nullptr);

}  // namespace dw
