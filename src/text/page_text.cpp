#include "text/page_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/ascii_case.h"
#include "runtime/text_ops.h"
#include "runtime/utf8.h"
#include "text/gbk_codec.h"
#include "text/regex_object.h"
#include "text/simple_pattern.h"
#include "text/tidy_recorders.h"

namespace dw {
namespace {

// --- Tidying in one pass ----------------------------------------------------
//
// The ten steps of TidyHtmlTextInSteps all look for texts that start with
// one of seven bytes (break, tab, space, quote, apostrophe, ampersand), and
// none of their results can start a match of an earlier or the same step
// except through the bytes the first three steps take out. None of the
// seven is ever the trail byte of a GBK character, so the replace scan meets
// each of them as a character of its own wherever it stands, and the steps
// come to this: take breaks and tabs out, halve each run of spaces that is
// left (ceil(n / 2)), decode the four entities where they stand once breaks
// and tabs are gone, and drop quotes and apostrophes, including the one
// "&quot;" gives. A quote dropped between two spaces brings them together
// after the halving, so they stay two.

// The bytes the steps look for.
constexpr bool IsTidyByte(unsigned char c) {
  return c == '\n' || c == '\r' || c == '\t' || c == ' ' || c == '"' ||
         c == '\'' || c == '&';
}

constexpr bool IsBreakOrTab(char c) {
  return c == '\n' || c == '\r' || c == '\t';
}

// The entity at s[i] ("&" there), read with breaks and tabs skipped:
// its decoded byte (0 for "&quot;", whose quote goes again), and in *end
// the index after its last byte. False when none of the four stands there.
// Inlined into both tidy loops: a call costs the plain one a few percent.
[[gnu::always_inline]] inline bool ReadEntity(std::string_view s, size_t i,
                                              char* decoded, size_t* end) {
  char got[5];
  size_t ends[5];
  size_t n = 0;
  for (size_t j = i + 1; j < s.size() && n < 5; ++j) {
    if (IsBreakOrTab(s[j])) continue;
    ends[n] = j + 1;
    got[n++] = s[j];
  }
  auto is = [&](std::string_view name, bool ignore_case) {
    if (n < name.size()) return false;
    for (size_t k = 0; k < name.size(); ++k) {
      char c = got[k];
      if (ignore_case) c = LowerAscii(c);
      if (c != name[k]) return false;
    }
    *end = ends[name.size() - 1];
    return true;
  };
  if (is("lt;", true)) {
    *decoded = '<';
  } else if (is("gt;", true)) {
    *decoded = '>';
  } else if (is("quot;", false)) {
    *decoded = 0;
  } else if (is("#37;", false)) {
    *decoded = '%';
  } else {
    return false;
  }
  return true;
}

// The bytes that tell where a tag and its attribute values are.
constexpr bool IsMarkupByte(unsigned char c) {
  return c == '<' || c == '=' || c == '>';
}

// Index of the first byte at or after i that the steps look for (and, with
// kMarkup, the first markup byte), or the size. Bytes before it are copied
// to out + n on the way. out may be the text itself: the output never runs
// ahead of the input, and no byte is written over one not yet read.
template <bool kMarkup>
size_t CopyPlainRun(std::string_view s, size_t i, char* out, size_t* n) {
  const char* p = s.data();
  const auto stops = [](unsigned char c) {
    return IsTidyByte(c) || (kMarkup && IsMarkupByte(c));
  };
#if defined(__SSE2__)
  // All seven bytes are below 0x28: those are the candidates, sixteen at a
  // time; the few others among them ("!", "#", "%" ...) are passed over.
  // The markup bytes are the three from 0x3C.
  const __m128i top = _mm_set1_epi8(0x27);
  while (i + 16 <= s.size()) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i candidates = _mm_cmpeq_epi8(_mm_min_epu8(v, top), v);
    if constexpr (kMarkup) {
      const __m128i from_lt = _mm_sub_epi8(v, _mm_set1_epi8('<'));
      candidates = _mm_or_si128(
          candidates,
          _mm_cmpeq_epi8(_mm_min_epu8(from_lt, _mm_set1_epi8(2)), from_lt));
    }
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(candidates));
    size_t stop = 16;
    for (; mask != 0; mask &= mask - 1) {
      const size_t at = std::countr_zero(mask);
      if (stops(static_cast<unsigned char>(p[i + at]))) {
        stop = at;
        break;
      }
    }
    // All sixteen may be stored where they cannot reach an unread byte.
    const char* from = p + i;
    const char* to = out + *n;
    if (stop == 16 || to == from || from - to >= 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + *n), v);
    } else {
      std::memmove(out + *n, p + i, stop);
    }
    *n += stop;
    if (stop < 16) return i + stop;
    i += 16;
  }
#endif
  while (i < s.size() && !stops(static_cast<unsigned char>(p[i]))) {
    out[(*n)++] = p[i++];
  }
  return i;
}

// The ten steps in one pass over text[from, to), written from the front of
// the text's own buffer, telling `marks` what goes. Each kind of noting is
// a function of its own, so the loop that notes nothing compiles as if
// noting did not exist.
template <class Marks>
[[gnu::noinline]] std::string TidyInOnePass(std::string text, size_t from,
                                            size_t to, Marks& marks) {
  const std::string_view s = std::string_view(text).substr(from, to - from);
  char* o = text.data();
  size_t n = 0;
  size_t spaces = 0;  // of the run being read, not yet written
  auto flush = [&] {
    for (size_t k = (spaces + 1) / 2; k > 0; --k) o[n++] = ' ';
    spaces = 0;
  };
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (!IsTidyByte(static_cast<unsigned char>(c))) {
      if (spaces > 0) flush();
      if constexpr (Marks::kWatchesMarkup) {
        if (IsMarkupByte(static_cast<unsigned char>(c))) {
          marks.Markup(s, i);
          o[n++] = c;
          ++i;
          continue;
        }
        marks.Text();
      }
      i = CopyPlainRun<Marks::kWatchesMarkup>(s, i, o, &n);
      continue;
    }
    if (c == ' ') {
      ++spaces;
      ++i;
      continue;
    }
    if (IsBreakOrTab(c)) {
      marks.Break(n);
      ++i;  // the spaces on both sides make one run
      continue;
    }
    if (spaces > 0) flush();
    char decoded;
    size_t end;
    if (c == '&' && ReadEntity(s, i, &decoded, &end)) {
      marks.Entity(decoded, n);
      if (decoded != 0) o[n++] = decoded;
      i = end;
    } else {
      if (c == '&') {
        marks.Text();
        o[n++] = c;
      } else {
        marks.Quote(c, n);
      }
      ++i;
    }
  }
  if (spaces > 0) flush();
  text.resize(n);
  return text;
}

// Writes the form of cp at `at` when it takes no more than `room` bytes;
// gives the bytes written, 0 when it would take more.
size_t PutWithin(char32_t cp, char* at, size_t room) {
  char form[4];
  const size_t length = PutGbk(cp, form);
  if (length > room) return 0;
  std::memcpy(at, form, length);
  return length;
}

// Converts the UTF-8 bytes in[0, size) to GBK at out and gives the bytes
// written. out may be in itself: every character is read before its bytes
// are written, and GBK takes no more bytes than UTF-8 except for the
// four-byte forms of characters GBK lacks ("ß": two bytes become four).
// Where one of those would reach bytes not yet read, the conversion stops
// before it, *read telling how far it got; otherwise *read is size.
size_t ConvertUtf8ToGbk(const char* in, size_t size, char* out, size_t* read) {
  const std::string_view bytes(in, size);
  const uint16_t* codes = GbkCodes();
  size_t n = 0;
  size_t i = 0;
  // In the one buffer, a character may take no more than the bytes up to
  // the end of its own.
  const bool in_place = in == out;
  *read = size;
  while (i < bytes.size()) {
    // Most of a page is ASCII markup: copy it sixteen bytes at a time.
#if defined(__SSE2__)
    while (i + 16 <= bytes.size()) {
      const __m128i v =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      if (_mm_movemask_epi8(v) != 0) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), v);
      n += 16;
      i += 16;
    }
#endif
    while (i + 8 <= bytes.size()) {
      uint64_t chunk;
      std::memcpy(&chunk, bytes.data() + i, 8);
      if (chunk & 0x8080808080808080ull) break;
      std::memcpy(&out[n], &chunk, 8);
      n += 8;
      i += 8;
    }
    if (i >= bytes.size()) break;
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      out[n++] = bytes[i++];
      continue;
    }
    // A run of other characters, Chinese text mostly: three bytes each, led
    // by 0xE1..0xEC or 0xEE..0xEF, whose second byte needs no range of its
    // own; those are taken here straight through the table.
    do {
      // Four bytes read at once tell a whole character of the usual kind.
      while (i + 4 <= bytes.size()) {
        uint32_t w;
        std::memcpy(&w, in + i, 4);
        const unsigned lead = w & 0xFF;
        // A lead of 0xE0 may be an overlong form of a character GBK has; a
        // surrogate (0xED 0xA0..) has no GBK form, so the check below sends
        // it on to the full decoding.
        if ((w & 0xC0C0F0u) != 0x8080E0u || lead == 0xE0) break;
        const unsigned code = codes[(lead & 0x0F) << 12 | ((w >> 2) & 0xFC0) |
                                    ((w >> 16) & 0x3F)];
        if (code < 0x100) break;
        out[n] = static_cast<char>(code >> 8);
        out[n + 1] = static_cast<char>(code & 0xFF);
        n += 2;
        i += 3;
      }
      if (i >= bytes.size() || static_cast<unsigned char>(bytes[i]) < 0x80) {
        break;
      }
      const unsigned char b = static_cast<unsigned char>(bytes[i]);
      if (i + 2 < bytes.size() && ((b >= 0xE1 && b <= 0xEC) || b >= 0xEE) &&
          b <= 0xEF) {
        const unsigned char b1 = static_cast<unsigned char>(bytes[i + 1]);
        const unsigned char b2 = static_cast<unsigned char>(bytes[i + 2]);
        if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
          const char32_t cp = (b & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F);
          const unsigned code = codes[cp];
          if (code >= 0x100) {
            out[n] = static_cast<char>(code >> 8);
            out[n + 1] = static_cast<char>(code & 0xFF);
            n += 2;
          } else if (code != 0) {
            out[n++] = static_cast<char>(code);
          } else if (const size_t put =
                         PutWithin(cp, out + n, in_place ? i + 3 - n : 4)) {
            n += put;
          } else {
            *read = i;
            return n;
          }
          i += 3;
          continue;
        }
      }
      int32_t cp;
      const size_t taken = DecodeUtf8(bytes, i, &cp);
      if (cp < 0) {
        out[n++] = '?';
      } else if (const size_t put =
                     PutWithin(static_cast<char32_t>(cp), out + n,
                               in_place ? i + taken - n : 4)) {
        n += put;
      } else {
        *read = i;
        return n;
      }
      i += taken;
    } while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x80);
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
  // Pages seldom hold one, and looking costs far less than moving every
  // byte.
  if (bytes.find('\0') != std::string::npos) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
  }
  if (!is_gbk) {
    size_t read = 0;
    size_t n =
        ConvertUtf8ToGbk(bytes.data(), bytes.size(), bytes.data(), &read);
    if (read < bytes.size()) {
      // A four-byte form caught up with the bytes still to read: the rest
      // goes through a copy, into room for the longest it can become.
      const std::string rest = bytes.substr(read);
      bytes.resize(n + rest.size() * 2);
      n += ConvertUtf8ToGbk(rest.data(), rest.size(), bytes.data() + n, &read);
    }
    bytes.resize(n);
  }
  return bytes;
}

std::string TidyHtmlTextInSteps(std::string_view text) {
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

std::string TidyHtmlText(std::string text, size_t from, size_t to,
                         TidyMarks* marks) {
  to = std::min(to, text.size());
  if (marks == nullptr) {
    tidy::NoMarks none;
    return TidyInOnePass(std::move(text), from, to, none);
  }
  tidy::MarkRecorder recorder(marks);
  return TidyInOnePass(std::move(text), from, to, recorder);
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
