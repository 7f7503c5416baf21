#include "text/gbk_codec.h"

#include <algorithm>
#include <cstring>

#include "runtime/gbk_char.h"

namespace dw {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // + byte, for undecodable bytes
// + lead * 256 + trail, for a lead and trail byte that no table gives a
// character: still one character, as every scan takes them.
constexpr char32_t kPairBase = 0x110000;
// + FourByteNumber, for four bytes of that shape without a character.
constexpr char32_t kFourByteBase = 0x120000;
constexpr uint32_t kFourByteNumbers = 126 * 10 * 126 * 10;

struct Tables {
  const char16_t* single;
  const char16_t* pair;
};

Tables GetTables() { return {GbkSingleChars(), GbkPairChars()}; }

// The characters DecodeOne leaves to this: a single byte above 0x7F, a
// four-byte character, a two-byte code without a character of the basic
// plane.
[[gnu::noinline]] size_t DecodeRare(const Tables& t, std::string_view s,
                                    size_t i, wchar_t* out) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  size_t length = 1;
  const int32_t c = DecodeGbkChar(s, i, &length);
  if (c >= 0) {
    *out = static_cast<wchar_t>(c);
  } else if (length == 4) {
    *out = static_cast<wchar_t>(kFourByteBase + FourByteNumber(s.data() + i));
  } else if (length == 2) {
    *out = static_cast<wchar_t>(kPairBase + b * 256 +
                                static_cast<unsigned char>(s[i + 1]));
  } else {
    *out =
        static_cast<wchar_t>(t.single[b] != 0 ? t.single[b] : kEscapeBase + b);
  }
  return length;
}

// Decodes the character at `s[i]`; returns the bytes it took.
inline size_t DecodeOne(const Tables& t, std::string_view s, size_t i,
                        wchar_t* out) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    *out = b;
    return 1;
  }
  if (IsGbkLead(b) && i + 1 < s.size()) {
    const unsigned char trail = static_cast<unsigned char>(s[i + 1]);
    if (IsGbkTrail(trail)) {
      if (const char16_t w = t.pair[b * 256 + trail]) {
        *out = static_cast<wchar_t>(w);
        return 2;
      }
    }
  }
  return DecodeRare(t, s, i, out);
}

constexpr size_t kMarkEvery = 64;

}  // namespace

WideText::WideText(std::string_view gbk) {
  const Tables t = GetTables();
  const unsigned char* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const size_t n = gbk.size();
  chars_.reset(new wchar_t[n == 0 ? 1 : n]);
  wchar_t* out = chars_.get();
  marks_.reserve(n / kMarkEvery + 1);
  size_t i = 0;
  size_t c = 0;
  while (i < n) {
    size_t in_block = c % kMarkEvery;
    if (in_block == 0) marks_.push_back(static_cast<uint32_t>(i));
    // Markup is mostly ASCII: widen eight bytes at a time while they stay
    // inside the current block of characters.
    if (in_block + 8 <= kMarkEvery && i + 8 <= n) {
      uint64_t chunk;
      std::memcpy(&chunk, s + i, 8);
      if ((chunk & 0x8080808080808080ull) == 0) {
        for (int k = 0; k < 8; ++k) out[c + k] = s[i + k];
        i += 8;
        c += 8;
        continue;
      }
    }
    i += DecodeOne(t, gbk, i, &out[c]);
    ++c;
  }
  size_ = c;
}

size_t WideText::ByteOffset(std::string_view gbk, size_t index) const {
  if (marks_.empty()) return 0;
  size_t block = std::min(index / kMarkEvery, marks_.size() - 1);
  size_t i = marks_[block];
  for (size_t c = block * kMarkEvery; c < index && i < gbk.size(); ++c) {
    i += GbkCharLength(gbk, i);
  }
  return i;
}

std::wstring GbkToWide(std::string_view gbk) {
  const Tables t = GetTables();
  std::wstring out;
  out.resize(gbk.size());
  size_t n = 0;
  for (size_t i = 0; i < gbk.size();) {
    i += DecodeOne(t, gbk, i, &out[n]);
    ++n;
  }
  out.resize(n);
  return out;
}

std::string WideToGbk(std::wstring_view wide) {
  std::string out;
  out.resize(wide.size() * 4);
  size_t n = 0;
  for (wchar_t w : wide) {
    uint32_t c = static_cast<uint32_t>(w);
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      out[n++] = static_cast<char>(c - kEscapeBase);
    } else if (c >= kPairBase + 0x8140 && c <= kPairBase + 0xFEFE) {
      out[n++] = static_cast<char>((c - kPairBase) >> 8);
      out[n++] = static_cast<char>((c - kPairBase) & 0xFF);
    } else if (c >= kFourByteBase && c < kFourByteBase + kFourByteNumbers) {
      PutFourByteNumber(c - kFourByteBase, &out[n]);
      n += 4;
    } else {
      n += PutGbk(c, &out[n]);
    }
  }
  out.resize(n);
  return out;
}

size_t GbkByteOffset(std::string_view gbk, size_t chars) {
  // Characters fall where the scans step, whatever the code page maps them
  // to, so counting them needs no decoding.
  size_t i = 0;
  for (size_t c = 0; c < chars && i < gbk.size(); ++c) {
    i += GbkCharLength(gbk, i);
  }
  return i;
}

}  // namespace dw
