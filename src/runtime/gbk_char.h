// How GBK bytes group into characters, for every scan that steps over
// them: a lead byte starts a double-byte character only when a valid trail
// byte follows it, and a four-byte one (the GB18030 form of a character
// GBK lacks) when a digit, a lead byte and a digit follow it; otherwise it
// is a character of one byte, so that the markup after a stray lead byte
// is still seen.
#pragma once

#include <cstddef>
#include <string_view>

namespace dw {

inline bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

inline bool IsGbkTrail(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// The second and fourth bytes of a four-byte character.
inline bool IsGbkDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

// Bytes (1, 2 or 4) of the character starting at s[pos], pos < n.
inline std::size_t GbkCharLength(const char* s, std::size_t n,
                                 std::size_t pos) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(s + pos);
  if (!IsGbkLead(b[0]) || pos + 1 >= n) return 1;
  if (IsGbkTrail(b[1])) return 2;
  return IsGbkDigit(b[1]) && pos + 3 < n && IsGbkLead(b[2]) && IsGbkDigit(b[3])
             ? 4
             : 1;
}

inline std::size_t GbkCharLength(std::string_view s, std::size_t pos) {
  return GbkCharLength(s.data(), s.size(), pos);
}

}  // namespace dw
