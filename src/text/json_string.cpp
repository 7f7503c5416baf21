#include "text/json_string.h"

#include "runtime/gbk_char.h"
#include "runtime/utf8.h"
#include "text/page_text.h"

namespace dw {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The four hex digits of "\uXXXX" at s[at] ("\" there); -1 when the escape
// is not whole.
int ReadUnit(std::string_view s, size_t at) {
  if (at + 6 > s.size() || s[at] != '\\' || s[at + 1] != 'u') return -1;
  int value = 0;
  for (size_t k = at + 2; k < at + 6; ++k) {
    const char c = s[k];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return -1;
    }
    value = value * 16 + digit;
  }
  return value;
}

char SimpleEscape(char c) {
  switch (c) {
    case '"':
    case '\\':
    case '/':
      return c;
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    default:
      return 0;
  }
}

}  // namespace

std::string DecodeJsonString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::string utf8;  // a run of "\u" escapes, converted at once
  const auto flush = [&] {
    if (utf8.empty()) return;
    out += Utf8ToGbk(utf8);
    utf8.clear();
  };
  for (size_t i = 0; i < text.size();) {
    // A backslash may be the second byte of a double-byte character.
    const size_t width = GbkCharLength(text, i);
    if (width != 1 || text[i] != '\\' || i + 1 == text.size()) {
      flush();
      out.append(text, i, width);
      i += width;
      continue;
    }
    if (const char simple = SimpleEscape(text[i + 1])) {
      flush();
      out += simple;
      i += 2;
      continue;
    }
    const int unit = ReadUnit(text, i);
    if (unit < 0) {
      flush();
      out += '\\';  // broken: kept, and what follows is read as text
      ++i;
      continue;
    }
    i += 6;
    char32_t c = static_cast<char32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const int low = ReadUnit(text, i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) +
            static_cast<char32_t>(low - 0xDC00);
        i += 6;
      } else {
        c = kReplacement;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(c, utf8);
  }
  flush();
  return out;
}

}  // namespace dw
