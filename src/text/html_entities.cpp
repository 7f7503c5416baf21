#include "text/html_entities.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "text/gbk_codec.h"

namespace dw {
namespace {

struct NamedReference {
  std::string_view name;  // with its semicolon, or a legacy name without
  char32_t first;
  char32_t second;  // 0 when the reference makes one character
};

constexpr NamedReference kNamed[] = {
#include "html_entity_table.inc"
};

constexpr std::size_t kLongestName = 32;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLargest = 0x10FFFF;

// What browsers make of the numbers 0x80..0x9F: the Windows-1252
// characters, where that code page has one.
constexpr char32_t kC1[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
         (c >= 'A' && c <= 'Z');
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const NamedReference* FindNamed(std::string_view name) {
  const NamedReference* it = std::lower_bound(
      std::begin(kNamed), std::end(kNamed), name,
      [](const NamedReference& r, std::string_view n) { return r.name < n; });
  return it != std::end(kNamed) && it->name == name ? it : nullptr;
}

void PutCharacter(char32_t c, std::string& out) {
  char bytes[4];
  out.append(bytes, PutGbk(c, bytes));
}

// Decodes a numeric reference at text[at] == '&', text[at + 1] == '#';
// gives the bytes it took, 0 when there are no digits.
std::size_t DecodeNumeric(std::string_view text, std::size_t at,
                          std::string& out) {
  std::size_t i = at + 2;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  const std::size_t digits_from = i;
  char32_t value = 0;
  for (int d; i < text.size() && (d = DigitValue(text[i], hex)) >= 0; ++i) {
    value = std::min<char32_t>(value * (hex ? 16 : 10) + d, kLargest + 1);
  }
  if (i == digits_from) return 0;
  if (i < text.size() && text[i] == ';') ++i;
  if (value == 0 || value > kLargest || (value >= 0xD800 && value <= 0xDFFF)) {
    value = kReplacement;
  } else if (value >= 0x80 && value <= 0x9F) {
    value = kC1[value - 0x80];
  }
  PutCharacter(value, out);
  return i - at;
}

// Decodes a named reference at text[at] == '&': the longest name in the
// table that the text goes on with. Gives the bytes it took, or 0.
std::size_t DecodeNamed(std::string_view text, std::size_t at,
                        std::string& out) {
  std::size_t run = 0;
  while (run < kLongestName && at + 1 + run < text.size() &&
         IsAlnum(text[at + 1 + run])) {
    ++run;
  }
  const std::string_view rest = text.substr(at + 1);
  const bool semicolon = run < rest.size() && rest[run] == ';';
  for (std::size_t len = run + (semicolon ? 1 : 0); len > 0; --len) {
    if (const NamedReference* r = FindNamed(rest.substr(0, len))) {
      PutCharacter(r->first, out);
      if (r->second != 0) PutCharacter(r->second, out);
      return len + 1;
    }
  }
  return 0;
}

}  // namespace

std::string DecodeHtmlEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;
  // '&', '#' and ';' are never the second byte of a GBK character, so the
  // bytes can be searched as they are.
  for (std::size_t at = text.find('&'); at != std::string_view::npos;
       at = text.find('&', at)) {
    out.append(text, copied, at - copied);
    const bool numeric = at + 1 < text.size() && text[at + 1] == '#';
    const std::size_t taken =
        numeric ? DecodeNumeric(text, at, out) : DecodeNamed(text, at, out);
    if (taken == 0) out += '&';
    at += std::max<std::size_t>(taken, 1);
    copied = at;
  }
  out.append(text, copied);
  return out;
}

}  // namespace dw
