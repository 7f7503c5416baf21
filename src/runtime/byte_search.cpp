#include "runtime/byte_search.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace dw {
namespace {

// Where the bytes that pick candidates stand in the sought text.
struct Probe {
  std::size_t second;
  std::size_t last;
};

bool HitAt(const char* s, std::string_view sought) {
  return std::memcmp(s, sought.data(), sought.size()) == 0;
}

#if defined(__x86_64__)
// Sets *found to the first match among the blocks of 32 positions it
// looks at, or leaves it; gives where it stopped.
__attribute__((target("avx2"))) std::size_t Scan32(const char* s, std::size_t n,
                                                   std::size_t pos,
                                                   std::string_view sought,
                                                   Probe p,
                                                   std::size_t* found) {
  const __m256i first = _mm256_set1_epi8(sought[0]);
  const __m256i second = _mm256_set1_epi8(sought[p.second]);
  const __m256i last = _mm256_set1_epi8(sought[p.last]);
  while (pos + p.last + 32 <= n) {
    const __m256i hits = _mm256_and_si256(
        _mm256_cmpeq_epi8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + pos)),
            first),
        _mm256_and_si256(
            _mm256_cmpeq_epi8(
                _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(s + pos + p.second)),
                second),
            _mm256_cmpeq_epi8(
                _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(s + pos + p.last)),
                last)));
    for (uint32_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(hits));
         mask != 0; mask &= mask - 1) {
      const std::size_t at =
          pos + static_cast<std::size_t>(std::countr_zero(mask));
      if (HitAt(s + at, sought)) {
        *found = at;
        return pos;
      }
    }
    pos += 32;
  }
  return pos;
}
#endif

#if defined(__SSE2__)
// As Scan32, sixteen positions at a time.
std::size_t Scan16(const char* s, std::size_t n, std::size_t pos,
                   std::string_view sought, Probe p, std::size_t* found) {
  const __m128i first = _mm_set1_epi8(sought[0]);
  const __m128i second = _mm_set1_epi8(sought[p.second]);
  const __m128i last = _mm_set1_epi8(sought[p.last]);
  while (pos + p.last + 16 <= n) {
    const __m128i hits = _mm_and_si128(
        _mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + pos)), first),
        _mm_and_si128(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(
                               s + pos + p.second)),
                           second),
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(
                               s + pos + p.last)),
                           last)));
    for (uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(hits));
         mask != 0; mask &= mask - 1) {
      const std::size_t at =
          pos + static_cast<std::size_t>(std::countr_zero(mask));
      if (HitAt(s + at, sought)) {
        *found = at;
        return pos;
      }
    }
    pos += 16;
  }
  return pos;
}
#endif

}  // namespace

std::size_t FindBytes(std::string_view text, std::size_t from,
                      std::string_view sought) {
  const char* s = text.data();
  const std::size_t n = text.size();
  const std::size_t m = sought.size();
  if (m == 0 || from > n || n - from < m) return std::string_view::npos;
  const Probe probe{m > 1 ? 1u : 0u, m - 1};
  std::size_t pos = from;
  std::size_t found = std::string_view::npos;
#if defined(__x86_64__)
  static const bool kWide = __builtin_cpu_supports("avx2");
  if (kWide) {
    pos = Scan32(s, n, pos, sought, probe, &found);
    if (found != std::string_view::npos) return found;
  }
#endif
#if defined(__SSE2__)
  pos = Scan16(s, n, pos, sought, probe, &found);
  if (found != std::string_view::npos) return found;
#endif
  for (; pos + m <= n; ++pos) {
    if (HitAt(s + pos, sought)) return pos;
  }
  return std::string_view::npos;
}

}  // namespace dw
