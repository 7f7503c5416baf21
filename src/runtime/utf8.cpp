#include "runtime/utf8.h"

namespace dw {

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
}

std::size_t Utf8SequenceLength(unsigned char b) {
  return b < 0x80   ? 1
         : b < 0xC2 ? 0
         : b < 0xE0 ? 2
         : b < 0xF0 ? 3
         : b < 0xF5 ? 4
                    : 0;
}

std::size_t DecodeUtf8(std::string_view s, std::size_t i, int32_t* cp) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  int need;
  int32_t value;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
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
  std::size_t taken = 1;
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

bool IsSoundUtf8(std::string_view text, Utf8End end) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length =
        Utf8SequenceLength(static_cast<unsigned char>(text[i]));
    if (length == 0) return false;
    if (i + length > text.size()) return end == Utf8End::kMayBeCut;
    for (std::size_t k = 1; k < length; ++k) {
      if (!IsUtf8Follow(text[i + k])) return false;
    }
    i += length;
  }
  return true;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char c : text) count += !IsUtf8Follow(c);
  return count;
}

std::vector<std::size_t> CharacterStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == 0 || !IsUtf8Follow(text[i])) starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

}  // namespace dw
