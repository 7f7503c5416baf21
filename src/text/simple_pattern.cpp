#include "text/simple_pattern.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/ascii_case.h"

namespace dw {
namespace {

struct Piece {
  bool at_least_one = false;  // joined to the previous piece by ".+?"
  std::string literal;        // folded to lower case
};

bool IsMeta(char c) { return std::strchr("\\^$.|?*+()[{}", c) != nullptr; }

// Literal runs joined by lazy dots, or nothing when the pattern is not of
// that shape.
std::optional<std::vector<Piece>> Parse(std::string_view pattern) {
  std::vector<Piece> pieces(1);
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '.') {
      std::string_view rest = pattern.substr(i + 1, 2);
      if ((rest != "*?" && rest != "+?") || pieces.back().literal.empty()) {
        return std::nullopt;
      }
      Piece next;
      next.at_least_one = rest == "+?";
      pieces.push_back(next);
      i += 2;
      continue;
    }
    if (c == '\\') {
      // Escaped metacharacters only: other escapes are classes or
      // assertions ("\\<" is a word start).
      if (i + 1 >= pattern.size()) return std::nullopt;
      c = pattern[++i];
      if (!IsMeta(c) && c != ']' && c != '/' && c != '-') return std::nullopt;
    } else if (c < 0x20 || c > 0x7E || IsMeta(c)) {
      return std::nullopt;
    }
    pieces.back().literal += LowerAscii(c);
  }
  // A digit may be the second byte of a four-byte character.
  for (const Piece& p : pieces) {
    if (p.literal.empty() || p.literal[0] >= 0x40 ||
        (p.literal[0] >= '0' && p.literal[0] <= '9')) {
      return std::nullopt;
    }
  }
  return pieces;
}

// First position at or after `from` where `literal` (lower case, first
// byte not a letter) occurs, ignoring ASCII case; npos when none.
size_t FindFolded(std::string_view text, size_t from,
                  const std::string& literal) {
  const size_t n = text.size();
  const size_t m = literal.size();
  const char* s = text.data();
  auto hit_at = [&](size_t pos) {
    bool hit = s[pos] == literal[0];
    for (size_t k = 1; k < m && hit; ++k)
      hit = LowerAscii(s[pos + k]) == literal[k];
    return hit;
  };
  size_t pos = from;
#if defined(__SSE2__)
  // Candidates by their first, second and last bytes, sixteen positions at
  // a time: markup repeats its first two bytes ("</") far more often than
  // all three.
  const size_t second = m > 1 ? 1 : 0;
  const size_t last = m - 1;
  const __m128i first_byte = _mm_set1_epi8(literal[0]);
  const __m128i second_lower = _mm_set1_epi8(literal[second]);
  const __m128i second_upper = _mm_set1_epi8(UpperAscii(literal[second]));
  const __m128i last_lower = _mm_set1_epi8(literal[last]);
  const __m128i last_upper = _mm_set1_epi8(UpperAscii(literal[last]));
  auto load = [s](size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
  };
  while (pos + last + 16 <= n) {
    const __m128i b = load(pos + second);
    const __m128i c = load(pos + last);
    const __m128i hits = _mm_and_si128(
        _mm_cmpeq_epi8(load(pos), first_byte),
        _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(b, second_lower),
                                   _mm_cmpeq_epi8(b, second_upper)),
                      _mm_or_si128(_mm_cmpeq_epi8(c, last_lower),
                                   _mm_cmpeq_epi8(c, last_upper))));
    for (uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(hits));
         mask != 0; mask &= mask - 1) {
      const size_t at = pos + static_cast<size_t>(std::countr_zero(mask));
      if (hit_at(at)) return at;
    }
    pos += 16;
  }
#endif
  for (; pos + m <= n; ++pos) {
    if (hit_at(pos)) return pos;
  }
  return std::string_view::npos;
}

// "First position at or after x" searches, remembered so that a page is
// scanned about once however many matches it holds.
class NextFinder {
 public:
  template <typename Find>
  size_t Next(size_t from, Find find) {
    if (from < from_ || from > found_) {
      from_ = from;
      found_ = find(from);
    }
    return found_;
  }

 private:
  size_t from_ = 1;
  size_t found_ = 0;  // from_ > found_: nothing remembered yet
};

size_t FindSeparator(std::string_view text, size_t from) {
  // What "." never takes; none of these is ever part of a GBK character.
  const char* s = text.data();
  size_t pos = from;
#if defined(__SSE2__)
  for (; pos + 16 <= text.size(); pos += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + pos));
    __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                  _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8('\f')));
    uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(hit));
    if (mask != 0) return pos + static_cast<size_t>(std::countr_zero(mask));
  }
#endif
  for (; pos < text.size(); ++pos) {
    if (s[pos] == '\n' || s[pos] == '\r' || s[pos] == '\f') return pos;
  }
  return text.size();
}

// Calls found(start, end) for each match, left to right, as the engine
// would find them. Reads the subject only at or after the end of the last
// match given, so `found` may rewrite what lies before.
template <typename Found>
void ForEachMatch(const std::vector<Piece>& pieces, std::string_view subject,
                  Found found) {
  std::vector<NextFinder> literal_finders(pieces.size());
  NextFinder separator_finder;
  size_t pos = 0;
  while (true) {
    const std::string& head = pieces[0].literal;
    size_t start = literal_finders[0].Next(
        pos, [&](size_t from) { return FindFolded(subject, from, head); });
    if (start == std::string_view::npos) break;
    size_t cur = start + head.size();
    bool matched = true;
    // Each lazy dot stops at the nearest next literal; a later one could
    // never help, as the line break that stops this one stops it too.
    for (size_t k = 1; k < pieces.size() && matched; ++k) {
      const Piece& piece = pieces[k];
      // ".+?" needs one character first; any later start of the literal
      // is a character boundary, so one byte on is enough.
      size_t from = piece.at_least_one ? cur + 1 : cur;
      size_t next = literal_finders[k].Next(from, [&](size_t f) {
        return FindFolded(subject, f, piece.literal);
      });
      size_t barrier = separator_finder.Next(
          cur, [&](size_t f) { return FindSeparator(subject, f); });
      if (next == std::string_view::npos || next > barrier) {
        matched = false;
        break;
      }
      cur = next + piece.literal.size();
    }
    if (!matched) {
      pos = start + 1;  // the first byte is a one-byte character
      continue;
    }
    found(start, cur);
    pos = cur;
  }
}

}  // namespace

std::optional<std::string> ReplaceSimplePattern(std::string_view pattern,
                                                std::string_view subject,
                                                std::string_view replacement) {
  if (replacement.find('$') != std::string_view::npos) return std::nullopt;
  std::optional<std::vector<Piece>> pieces = Parse(pattern);
  if (!pieces) return std::nullopt;
  std::string out;
  out.reserve(subject.size());
  size_t copied = 0;
  ForEachMatch(*pieces, subject, [&](size_t start, size_t end) {
    out.append(subject.substr(copied, start - copied));
    out.append(replacement);
    copied = end;
  });
  out.append(subject.substr(copied));
  return out;
}

bool ReplaceSimplePatternInPlace(std::string_view pattern, std::string& subject,
                                 std::string_view replacement) {
  if (replacement.find('$') != std::string_view::npos) return false;
  std::optional<std::vector<Piece>> pieces = Parse(pattern);
  if (!pieces) return false;
  // Every match is at least its literals long; a replacement no longer
  // than that keeps what is written behind what is still to be read.
  size_t shortest = 0;
  for (const Piece& p : *pieces) shortest += p.literal.size();
  if (replacement.size() > shortest) return false;
  char* s = subject.data();
  size_t written = 0;
  size_t copied = 0;
  ForEachMatch(*pieces, subject, [&](size_t start, size_t end) {
    if (written != copied)
      std::memmove(s + written, s + copied, start - copied);
    written += start - copied;
    std::memcpy(s + written, replacement.data(), replacement.size());
    written += replacement.size();
    copied = end;
  });
  if (written != copied) {
    std::memmove(s + written, s + copied, subject.size() - copied);
    subject.resize(written + subject.size() - copied);
  }
  return true;
}

}  // namespace dw
