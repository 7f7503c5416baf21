#include "text/gbk_codec.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "runtime/encoding.h"
#include "runtime/gbk_char.h"

namespace dw {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // + byte, for undecodable bytes
// + lead * 256 + trail, for a lead and trail byte that the code page leaves
// without a character: still one character, as every scan takes them.
constexpr char32_t kPairBase = 0xF0000;

struct Tables {
  // Wide character of each single byte 0x80..0xFF and of each double-byte
  // code (lead * 256 + trail); 0 when undefined.
  char16_t single[256] = {};
  std::vector<char16_t> pair = std::vector<char16_t>(65536);
  // GBK form of each BMP code point: 0 when it has none, a value below
  // 0x100 for a single byte, otherwise lead byte * 256 + trail byte.
  std::vector<uint16_t> code = std::vector<uint16_t>(65536);
};

Tables BuildTables() {
  Tables t;
  EncodingConverter dec("CP936", "UTF-32LE");
  // The one wide character that the bytes make, or 0.
  auto decode = [&dec](std::string_view bytes) -> char16_t {
    std::optional<std::string> out = dec.Convert(bytes);
    if (!out || out->size() != 4) return 0;
    const unsigned char* b =
        reinterpret_cast<const unsigned char*>(out->data());
    if (b[2] != 0 || b[3] != 0) return 0;  // beyond 16 bits
    return static_cast<char16_t>(b[0] | b[1] << 8);
  };
  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    const char in[1] = {static_cast<char>(b)};
    t.single[b] = decode(std::string_view(in, 1));
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      t.pair[lead * 256 + trail] = decode(std::string_view(in, 2));
    }
  }
  EncodingConverter enc("UTF-32LE", "CP936");
  for (uint32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const char in[4] = {static_cast<char>(cp & 0xFF),
                        static_cast<char>(cp >> 8), 0, 0};
    std::optional<std::string> out = enc.Convert(std::string_view(in, 4));
    if (!out) continue;
    const unsigned char* b =
        reinterpret_cast<const unsigned char*>(out->data());
    if (out->size() == 1 && b[0] >= 0x80) {
      t.code[cp] = b[0];
    } else if (out->size() == 2) {
      t.code[cp] = static_cast<uint16_t>(b[0] * 256 + b[1]);
    }
  }
  for (unsigned b = 0; b < 0x80; ++b) t.code[b] = static_cast<uint16_t>(b);
  return t;
}

const Tables& GetTables() {
  static const Tables* tables = new Tables(BuildTables());
  return *tables;
}

// Decodes the character at `s[i]`; returns the bytes it took.
inline size_t DecodeOne(const Tables& t, std::string_view s, size_t i,
                        wchar_t* out) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    *out = b;
    return 1;
  }
  if (GbkCharLength(s, i) == 2) {
    const unsigned code = b * 256 + static_cast<unsigned char>(s[i + 1]);
    const char16_t w = t.pair[code];
    *out = w != 0 ? static_cast<wchar_t>(w)
                  : static_cast<wchar_t>(kPairBase + code);
    return 2;
  }
  char16_t w = t.single[b];
  *out =
      w != 0 ? static_cast<wchar_t>(w) : static_cast<wchar_t>(kEscapeBase + b);
  return 1;
}

constexpr size_t kMarkEvery = 64;

}  // namespace

WideText::WideText(std::string_view gbk) {
  const Tables& t = GetTables();
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
  const Tables& t = GetTables();
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

std::string GbkToUtf8(std::string_view gbk) {
  const Tables& t = GetTables();
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  for (size_t i = 0; i < gbk.size();) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    wchar_t w = 0;
    i += DecodeOne(t, gbk, i, &w);
    uint32_t c = static_cast<uint32_t>(w);
    if ((c >= 0xD800 && c <= 0xDFFF) || c >= kPairBase) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string WideToGbk(std::wstring_view wide) {
  std::string out;
  out.resize(wide.size() * 2);
  size_t n = 0;
  for (wchar_t w : wide) {
    uint32_t c = static_cast<uint32_t>(w);
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      out[n++] = static_cast<char>(c - kEscapeBase);
    } else if (c >= kPairBase + 0x8140 && c <= kPairBase + 0xFEFE) {
      out[n++] = static_cast<char>((c - kPairBase) >> 8);
      out[n++] = static_cast<char>((c - kPairBase) & 0xFF);
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

const uint16_t* GbkCodes() { return GetTables().code.data(); }

size_t PutGbk(char32_t code_point, char* out) {
  if (code_point < 0x80) {
    *out = static_cast<char>(code_point);
    return 1;
  }
  const unsigned code = code_point <= 0xFFFF ? GetTables().code[code_point] : 0;
  if (code == 0) {
    *out = '?';
    return 1;
  }
  if (code < 0x100) {
    *out = static_cast<char>(code);
    return 1;
  }
  out[0] = static_cast<char>(code >> 8);
  out[1] = static_cast<char>(code & 0xFF);
  return 2;
}

}  // namespace dw
