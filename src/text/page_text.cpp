#include "text/page_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/text_ops.h"
#include "text/gbk_codec.h"
#include "text/regex_object.h"
#include "text/simple_pattern.h"

namespace dw {
namespace {

// Decodes one well-formed UTF-8 sequence at s[i]. Returns the bytes taken;
// *cp is the code point, or -1 when the bytes taken are a malformed
// sequence (its maximal valid prefix, at least one byte).
size_t DecodeUtf8(std::string_view s, size_t i, int32_t* cp) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  int need;
  int32_t value;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    value = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    value = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    value = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    *cp = -1;
    return 1;
  }
  size_t taken = 1;
  for (int k = 0; k < need; ++k) {
    if (i + taken >= s.size()) {
      *cp = -1;
      return taken;
    }
    unsigned char c = static_cast<unsigned char>(s[i + taken]);
    if (c < lo || c > hi) {
      *cp = -1;
      return taken;
    }
    lo = 0x80;
    hi = 0xBF;
    value = (value << 6) | (c & 0x3F);
    ++taken;
  }
  *cp = value;
  return taken;
}

// Converts the UTF-8 bytes in[0, size) to GBK at out and gives the bytes
// written. GBK never takes more bytes than the UTF-8 it came from, so out
// may be in itself: every character is read before its bytes are written.
size_t ConvertUtf8ToGbk(const char* in, size_t size, char* out) {
  const std::string_view bytes(in, size);
  size_t n = 0;
  size_t i = 0;
  while (i < bytes.size()) {
    // Most of a page is ASCII markup: copy it eight bytes at a time.
    while (i + 8 <= bytes.size()) {
      uint64_t chunk;
      std::memcpy(&chunk, bytes.data() + i, 8);
      if (chunk & 0x8080808080808080ull) break;
      std::memcpy(&out[n], &chunk, 8);
      n += 8;
      i += 8;
    }
    if (i >= bytes.size()) break;
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out[n++] = static_cast<char>(b);
      ++i;
      continue;
    }
    int32_t cp;
    i += DecodeUtf8(bytes, i, &cp);
    if (cp < 0) {
      out[n++] = '?';
    } else {
      n += PutGbk(static_cast<char32_t>(cp), &out[n]);
    }
  }
  return n;
}

}  // namespace

std::string Utf8ToGbk(std::string_view bytes) {
  return PageBytesToText(std::string(bytes), /*is_gbk=*/false);
}

std::string PageBytesToText(std::string bytes, bool is_gbk) {
  // Text holds no zero byte; one in a page is dropped rather than let it
  // end the page, which would lose its end marker.
  bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
  if (!is_gbk) {
    bytes.resize(ConvertUtf8ToGbk(bytes.data(), bytes.size(), bytes.data()));
  }
  return bytes;
}

std::string TidyHtmlText(std::string_view text) {
  // In this order: the breaks go before spaces are halved (once) and before
  // entities are decoded, and the quote made from "&quot;" goes again at the
  // end.
  struct Step {
    const char* sought;
    const char* replacement;
    bool case_sensitive;
  };
  static const Step kSteps[] = {
      {"\n", "", true},       {"\r", "", true},     {"\t", "", true},
      {"  ", " ", false},     {"&lt;", "<", false}, {"&gt;", ">", false},
      {"&quot;", "\"", true}, {"&#37;", "%", true}, {"\"", "", true},
      {"'", "", true},
  };
  std::string out(text);
  for (const Step& step : kSteps) {
    out = ReplaceText(out, step.sought, step.replacement, std::nullopt,
                      std::nullopt, step.case_sensitive);
  }
  return out;
}

std::string RegexReplace(std::string_view pattern, std::string_view subject,
                         std::string_view replacement) {
  if (std::optional<std::string> quick =
          ReplaceSimplePattern(pattern, subject, replacement)) {
    return *std::move(quick);
  }
  RegexObject re;
  re.Search(pattern, subject);
  return re.ReplaceMatches(replacement);
}

}  // namespace dw
