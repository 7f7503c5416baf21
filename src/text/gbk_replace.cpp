#include "text/gbk_replace.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dw {
namespace {

inline char Fold(char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// A byte and, when case is ignored, its other case.
struct ByteChoice {
  char a, b;
  ByteChoice(char c, bool ignore_case) : a(c), b(c) {
    if (ignore_case && Fold(c) >= 'a' && Fold(c) <= 'z') b = c ^ 0x20;
  }
  bool Is(char c) const { return c == a || c == b; }
};

constexpr size_t kBlock = 16;

// One bit per byte of the block at `p`: the bytes at which a scan has to
// stop and look, namely the first byte of a double-byte character, or a
// byte that may start a match judged by `first` and, when given, `second`
// (the byte after it; the last byte of the block cannot see its successor
// and stops whenever its own byte fits). Four choices of first byte can be
// given for plain removal.
struct StopFinder {
  ByteChoice first[2];
  const ByteChoice* second;

#if defined(__SSE2__)
  static __m128i Eq(__m128i v, const ByteChoice& c) {
    return _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(c.a)),
                        _mm_cmpeq_epi8(v, _mm_set1_epi8(c.b)));
  }
  uint32_t operator()(const char* p) const {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(v));
    uint32_t start = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(Eq(v, first[0]), Eq(v, first[1]))));
    if (second) {
      uint32_t next = static_cast<uint32_t>(_mm_movemask_epi8(Eq(v, *second)));
      start &= (next >> 1) | (1u << (kBlock - 1));
    }
    return high | start;
  }
#else
  uint32_t operator()(const char* p) const {
    uint32_t stop = 0;
    for (size_t k = 0; k < kBlock; ++k) {
      bool fits = first[0].Is(p[k]) || first[1].Is(p[k]);
      if (fits && second && k + 1 < kBlock) fits = second->Is(p[k + 1]);
      if (static_cast<unsigned char>(p[k]) >= 0x80 || fits) stop |= 1u << k;
    }
    return stop;
  }
#endif
};

// Steps over a run of double-byte characters starting at `pos`.
inline size_t SkipDoubleBytes(const char* s, size_t n, size_t pos) {
  while (pos + 1 < n && static_cast<unsigned char>(s[pos]) >= 0x80) pos += 2;
  if (pos + 1 == n && static_cast<unsigned char>(s[pos]) >= 0x80) ++pos;
  return pos;
}

}  // namespace

std::string ReplaceAsciiAll(std::string_view text, std::string_view sought,
                            std::string_view replacement, bool ignore_case) {
  const size_t n = text.size();
  const size_t m = sought.size();
  const char* s = text.data();
  std::string out;
  out.reserve(n);
  const ByteChoice first(sought[0], ignore_case);
  const ByteChoice second(m > 1 ? sought[1] : 0, ignore_case);
  const StopFinder stops{{first, first}, m > 1 ? &second : nullptr};
  size_t pos = 0;     // always at the start of a character
  size_t copied = 0;  // bytes before this are in `out`
  while (pos < n && n - pos >= m) {
    if (pos + kBlock <= n) {
      uint32_t stop = stops(s + pos);
      if (stop == 0) {
        pos += kBlock;
        continue;
      }
      // Everything before the first stop is plain one-byte characters.
      pos += static_cast<size_t>(std::countr_zero(stop));
      if (n - pos < m) break;
    }
    bool hit;
    if (!ignore_case) {
      hit = std::memcmp(s + pos, sought.data(), m) == 0;
    } else {
      hit = true;
      for (size_t k = 0; k < m && hit; ++k) {
        hit = Fold(s[pos + k]) == Fold(sought[k]);
      }
    }
    if (hit) {
      out.append(s + copied, pos - copied);
      out.append(replacement);
      pos += m;
      copied = pos;
    } else if (static_cast<unsigned char>(s[pos]) < 0x80) {
      ++pos;
    } else {
      pos = SkipDoubleBytes(s, n, pos);
    }
  }
  out.append(s + copied, n - copied);
  return out;
}

std::string RemoveAsciiBytes(std::string_view text, std::string_view bytes) {
  const size_t n = text.size();
  const char* s = text.data();
  char set[4];
  for (size_t k = 0; k < 4; ++k) set[k] = bytes[k < bytes.size() ? k : 0];
  const StopFinder stops{{ByteChoice(set[0], false), ByteChoice(set[1], false)},
                         nullptr};
  const StopFinder more{{ByteChoice(set[2], false), ByteChoice(set[3], false)},
                        nullptr};
  std::string out;
  out.reserve(n);
  size_t pos = 0;
  size_t copied = 0;
  while (pos < n) {
    if (pos + kBlock <= n) {
      uint32_t stop = stops(s + pos) | more(s + pos);
      if (stop == 0) {
        pos += kBlock;
        continue;
      }
      pos += static_cast<size_t>(std::countr_zero(stop));
    }
    if (static_cast<unsigned char>(s[pos]) >= 0x80) {
      pos = SkipDoubleBytes(s, n, pos);
      continue;
    }
    if (std::memchr(set, s[pos], 4) != nullptr) {
      out.append(s + copied, pos - copied);
      copied = pos + 1;
    }
    ++pos;
  }
  out.append(s + copied, n - copied);
  return out;
}

}  // namespace dw
