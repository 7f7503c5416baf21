#include "runtime/gb18030.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/gbk_char.h"
#include "runtime/utf8.h"

namespace dw {
namespace {

// Numbers of the four-byte codes: the basic plane's forms lie below
// kBasicFourByteEnd, the other planes' from kPlanesFirst on.
constexpr uint32_t kBasicFourByteEnd = 39420;  // 0x8431A439 + 1
constexpr uint32_t kPlanesFirst = 189000;      // 0x90308130

// Code points first .. first + count - 1 take the four-byte codes numbered
// number .. number + count - 1.
struct FourByteRun {
  char32_t first;
  uint32_t number;
  uint32_t count;
};

struct Tables {
  char16_t single[256] = {};
  std::vector<char16_t> pair = std::vector<char16_t>(65536);
  std::vector<uint16_t> code = std::vector<uint16_t>(65536);
  std::vector<FourByteRun> by_char;    // in order of code point
  std::vector<FourByteRun> by_number;  // in order of number
  // The few two-byte codes of characters beyond the basic plane (code,
  // code point): theirs is the two-byte form, not the four-byte one.
  std::vector<std::pair<unsigned, char32_t>> pair_beyond;
};

// The character of each piece by `dec` (to UTF-32LE): 0 where there is
// none, or more than one.
std::vector<char32_t> DecodeEach(EncodingConverter& dec,
                                 std::string_view pieces, size_t width) {
  std::vector<char32_t> chars;
  for (const std::string& c : dec.ConvertEach(pieces, width)) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(c.data());
    char32_t cp = 0;
    for (size_t k = c.size() == 4 ? 4 : 0; k > 0; --k) cp = cp << 8 | b[k - 1];
    chars.push_back(cp);
  }
  return chars;
}

char16_t Basic(char32_t c) {
  return c <= 0xFFFF ? static_cast<char16_t>(c) : 0;
}

void AppendUtf32(char32_t cp, std::string& out) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>(cp >> (8 * k) & 0xFF);
}

// Every two-byte code, trail bytes 0x7F and 0xFF left out.
std::vector<unsigned> TwoByteCodes() {
  std::vector<unsigned> codes;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail != 0x7F) codes.push_back(lead * 256 + trail);
    }
  }
  return codes;
}

std::string PairBytes(const std::vector<unsigned>& codes) {
  std::string bytes;
  for (unsigned code : codes) {
    bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
  }
  return bytes;
}

void AddCodePage936(Tables& t) {
  EncodingConverter dec("CP936", "UTF-32LE");
  std::string singles;
  for (unsigned b = 0x80; b <= 0xFF; ++b) singles += static_cast<char>(b);
  const std::vector<char32_t> single = DecodeEach(dec, singles, 1);
  std::transform(single.begin(), single.end(), t.single + 0x80, Basic);
  const std::vector<unsigned> codes = TwoByteCodes();
  const std::vector<char32_t> pair = DecodeEach(dec, PairBytes(codes), 2);
  for (size_t k = 0; k < codes.size(); ++k) t.pair[codes[k]] = Basic(pair[k]);

  std::vector<char32_t> cps;
  std::string utf32;
  for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    cps.push_back(cp);
    AppendUtf32(cp, utf32);
  }
  EncodingConverter enc("UTF-32LE", "CP936");
  const std::vector<std::string> forms = enc.ConvertEach(utf32, 4);
  for (size_t k = 0; k < cps.size(); ++k) {
    const unsigned char* b =
        reinterpret_cast<const unsigned char*>(forms[k].data());
    if (forms[k].size() == 1 && b[0] >= 0x80) {
      t.code[cps[k]] = b[0];
    } else if (forms[k].size() == 2) {
      t.code[cps[k]] = static_cast<uint16_t>(b[0] * 256 + b[1]);
    }
  }
  for (unsigned b = 0; b < 0x80; ++b) t.code[b] = static_cast<uint16_t>(b);
}

// The two-byte codes GBK leaves empty and GB18030 fills, where the
// character has no other code here: both ways round stay one code.
void AddTwoByteCodes(Tables& t) {
  std::vector<unsigned> empty;
  for (unsigned code : TwoByteCodes()) {
    if (t.pair[code] == 0) empty.push_back(code);
  }
  EncodingConverter dec("GB18030", "UTF-32LE");
  const std::vector<char32_t> chars = DecodeEach(dec, PairBytes(empty), 2);
  for (size_t k = 0; k < empty.size(); ++k) {
    const char32_t c = chars[k];
    if (c > 0xFFFF) {
      t.pair_beyond.emplace_back(empty[k], c);
      continue;
    }
    if (c == 0 || t.code[c] != 0) continue;
    t.pair[empty[k]] = c;
    t.code[c] = static_cast<uint16_t>(empty[k]);
  }
}

// The four-byte forms of the basic plane's characters that have no other.
void AddFourByteCodes(Tables& t) {
  std::vector<char32_t> wanted;
  std::string utf32;
  for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || t.code[cp] != 0) continue;
    wanted.push_back(cp);
    AppendUtf32(cp, utf32);
  }
  EncodingConverter enc("UTF-32LE", "GB18030");
  const std::vector<std::string> forms = enc.ConvertEach(utf32, 4);
  for (size_t k = 0; k < wanted.size(); ++k) {
    const std::string& form = forms[k];
    if (form.size() != 4 || GbkCharLength(form, 0) != 4) continue;
    const uint32_t number = FourByteNumber(form.data());
    if (number >= kBasicFourByteEnd) continue;
    const char32_t cp = wanted[k];
    FourByteRun* last = t.by_char.empty() ? nullptr : &t.by_char.back();
    if (last && last->first + last->count == cp &&
        last->number + last->count == number) {
      ++last->count;
    } else {
      t.by_char.push_back({cp, number, 1});
    }
  }
  t.by_number = t.by_char;
  std::sort(t.by_number.begin(), t.by_number.end(),
            [](const FourByteRun& a, const FourByteRun& b) {
              return a.number < b.number;
            });
}

Tables BuildTables() {
  Tables t;
  AddCodePage936(t);
  AddTwoByteCodes(t);
  AddFourByteCodes(t);
  return t;
}

const Tables& GetTables() {
  static const Tables* tables = new Tables(BuildTables());
  return *tables;
}

// The two-byte code of a character beyond the basic plane; 0 for none.
unsigned PairBeyond(const Tables& t, char32_t cp) {
  for (const auto& [code, c] : t.pair_beyond) {
    if (c == cp) return code;
  }
  return 0;
}

}  // namespace

const char16_t* GbkPairChars() { return GetTables().pair.data(); }

const char16_t* GbkSingleChars() { return GetTables().single; }

const uint16_t* GbkCodes() { return GetTables().code.data(); }

uint32_t FourByteNumber(const char* s) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(s);
  return ((static_cast<uint32_t>(b[0] - 0x81) * 10 + (b[1] - 0x30)) * 126 +
          (b[2] - 0x81)) *
             10 +
         (b[3] - 0x30);
}

void PutFourByteNumber(uint32_t number, char* out) {
  out[3] = static_cast<char>(0x30 + number % 10);
  number /= 10;
  out[2] = static_cast<char>(0x81 + number % 126);
  number /= 126;
  out[1] = static_cast<char>(0x30 + number % 10);
  out[0] = static_cast<char>(0x81 + number / 10);
}

int32_t FourByteChar(const char* s) {
  const uint32_t number = FourByteNumber(s);
  if (number >= kPlanesFirst) {
    const char32_t cp = 0x10000 + (number - kPlanesFirst);
    if (cp > 0x10FFFF || PairBeyond(GetTables(), cp) != 0) return -1;
    return static_cast<int32_t>(cp);
  }
  const std::vector<FourByteRun>& runs = GetTables().by_number;
  auto after = std::upper_bound(
      runs.begin(), runs.end(), number,
      [](uint32_t n, const FourByteRun& run) { return n < run.number; });
  if (after == runs.begin()) return -1;
  const FourByteRun& run = *(after - 1);
  if (number - run.number >= run.count) return -1;
  return static_cast<int32_t>(run.first + (number - run.number));
}

size_t PutGbk(char32_t code_point, char* out) {
  if (code_point < 0x80) {
    *out = static_cast<char>(code_point);
    return 1;
  }
  if (code_point >= 0x10000) {
    if (code_point > 0x10FFFF) {
      *out = '?';
      return 1;
    }
    if (const unsigned code = PairBeyond(GetTables(), code_point)) {
      out[0] = static_cast<char>(code >> 8);
      out[1] = static_cast<char>(code & 0xFF);
      return 2;
    }
    PutFourByteNumber(kPlanesFirst + (code_point - 0x10000), out);
    return 4;
  }
  const Tables& t = GetTables();
  const unsigned code = t.code[code_point];
  if (code >= 0x100) {
    out[0] = static_cast<char>(code >> 8);
    out[1] = static_cast<char>(code & 0xFF);
    return 2;
  }
  if (code != 0) {
    *out = static_cast<char>(code);
    return 1;
  }
  auto after = std::upper_bound(
      t.by_char.begin(), t.by_char.end(), code_point,
      [](char32_t cp, const FourByteRun& run) { return cp < run.first; });
  if (after != t.by_char.begin()) {
    const FourByteRun& run = *(after - 1);
    if (code_point - run.first < run.count) {
      PutFourByteNumber(run.number + (code_point - run.first), out);
      return 4;
    }
  }
  *out = '?';  // a surrogate, or a private-use point GB18030 has no code for
  return 1;
}

int32_t DecodeGbkChar(std::string_view s, size_t pos, size_t* length) {
  const unsigned char b = static_cast<unsigned char>(s[pos]);
  if (b < 0x80) {
    *length = 1;
    return b;
  }
  *length = GbkCharLength(s, pos);
  const Tables& t = GetTables();
  char16_t c = 0;
  if (*length == 1) {
    c = t.single[b];
  } else if (*length == 2) {
    const unsigned code = b * 256 + static_cast<unsigned char>(s[pos + 1]);
    c = t.pair[code];
    if (c == 0) {
      for (const auto& [beyond, cp] : t.pair_beyond) {
        if (beyond == code) return static_cast<int32_t>(cp);
      }
    }
  } else {
    return FourByteChar(s.data() + pos);
  }
  return c != 0 ? c : -1;
}

std::string GbkToUtf8(std::string_view gbk) {
  bool whole = true;
  return GbkToUtf8(gbk, &whole);
}

std::string GbkToUtf8(std::string_view gbk, bool* whole) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  *whole = true;
  for (size_t i = 0; i < gbk.size();) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    size_t length = 1;
    int32_t c = DecodeGbkChar(gbk, i, &length);
    if (c < 0) {
      c = 0xFFFD;
      *whole = false;
    }
    AppendUtf8(static_cast<uint32_t>(c), out);
    i += length;
  }
  return out;
}

}  // namespace dw
