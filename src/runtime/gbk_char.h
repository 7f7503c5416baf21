// How GBK bytes group into characters, for every scan that steps over
// them: a lead byte starts a double-byte character only when a valid trail
// byte follows it; otherwise it is a character of one byte, so that the
// markup after a stray lead byte is still seen.
#pragma once

#include <cstddef>
#include <string_view>

namespace dw {

inline bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

inline bool IsGbkTrail(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Bytes (1 or 2) of the character starting at s[pos], pos < n.
inline std::size_t GbkCharLength(const char* s, std::size_t n,
                                 std::size_t pos) {
  return IsGbkLead(static_cast<unsigned char>(s[pos])) && pos + 1 < n &&
                 IsGbkTrail(static_cast<unsigned char>(s[pos + 1]))
             ? 2
             : 1;
}

inline std::size_t GbkCharLength(std::string_view s, std::size_t pos) {
  return GbkCharLength(s.data(), s.size(), pos);
}

}  // namespace dw
