#include "runtime/text_ops.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "runtime/ascii_case.h"
#include "runtime/byte_search.h"
#include "runtime/gbk_char.h"

namespace dw {
namespace {

bool IsLeadByte(char c) { return IsGbkLead(static_cast<unsigned char>(c)); }

// Ignoring case folds one-byte letters only: the second byte of a
// double-byte character may look like a letter but is compared as it is.
bool MatchesAt(const char* at, std::string_view sought, bool ignoreCase) {
  if (!ignoreCase) return std::memcmp(at, sought.data(), sought.size()) == 0;
  for (std::size_t k = 0; k < sought.size();) {
    const std::size_t len = GbkCharLength(sought, k);
    if (len > 1) {
      if (std::memcmp(at + k, sought.data() + k, len) != 0) return false;
      k += len;
    } else {
      if (LowerAscii(at[k]) != LowerAscii(sought[k])) return false;
      ++k;
    }
  }
  return true;
}

bool IsSpaceUnit(const std::string& text, std::size_t pos, std::size_t len) {
  if (len == 1) return text[pos] == ' ';
  return len == 2 && static_cast<unsigned char>(text[pos]) == 0xA1 &&
         static_cast<unsigned char>(text[pos + 1]) == 0xA1;
}

std::size_t SkipFor(std::optional<int> start) {
  return start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
}

// --- The scan behind FindText, ReplaceText and SplitText ---------------------
//
// Pages are mostly one-byte markup. Two ways through it, both stopping only
// at character starts:
// - Skim: when the sought text starts with a one-byte character that has no
//   other case to look for, jump with memchr from one occurrence of that
//   byte to the next. Whether an occurrence starts a character is told by
//   the lead bytes right before it: the byte after any other byte starts a
//   character, and lead bytes are valid trail bytes too, so they pair off
//   from there. An even run means it does; so does an odd one when the
//   byte cannot be a trail byte, since the last lead then stands alone.
//   A digit may be the second or fourth byte of a four-byte character:
//   for one, the characters are counted from the last byte before it that
//   is neither a lead byte nor a digit, which always ends a character.
// - Walk: test eight bytes at once for anything that makes the scan stop (a
//   byte that could start a match, judged by the first two bytes of the
//   sought text, or a lead byte) and step on one character at a time there.
// Skim hands a stretch over to Walk when misses come thick, where its one
// call per occurrence would cost more than Walk's steady pace.

constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;
constexpr std::size_t kWord = 8;
constexpr std::ptrdiff_t kMissCost = 32;   // in bytes walked
constexpr std::size_t kWalkStretch = 256;  // bytes Walk covers before Skim
constexpr std::size_t kBytesFrom = 4;      // sought bytes worth a block search

// Eight bytes, the first in the lowest byte of the word.
std::uint64_t LoadWord(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, kWord);
  if constexpr (std::endian::native == std::endian::big) {
    w = __builtin_bswap64(w);
  }
  return w;
}

// 0x80 in every byte of w that is zero, and in no other.
std::uint64_t ZeroBytesOf(std::uint64_t w) {
  return ~(((w & kLow7) + kLow7) | w | kLow7);
}

bool IsAsciiLetter(char c) {
  return LowerAscii(c) >= 'a' && LowerAscii(c) <= 'z';
}

// A byte the scan looks for, with its other ASCII case when case is ignored.
class ByteChoice {
 public:
  ByteChoice(char c, bool ignoreCase)
      : a_(Spread(c)),
        b_(ignoreCase && IsAsciiLetter(c) ? Spread(static_cast<char>(c ^ 0x20))
                                          : a_) {}

  // 0x80 in every byte of w that is one of the choices.
  std::uint64_t In(std::uint64_t w) const {
    std::uint64_t hits = ZeroBytesOf(w ^ a_);
    if (b_ != a_) hits |= ZeroBytesOf(w ^ b_);
    return hits;
  }

 private:
  static std::uint64_t Spread(char c) {
    return 0x0101010101010101ull * static_cast<unsigned char>(c);
  }
  std::uint64_t a_;
  std::uint64_t b_;
};

// 0x80 in every byte of w that is a lead byte (0x81..0xFE), and in no
// other.
std::uint64_t LeadBytesOf(std::uint64_t w) {
  return w & kHigh & ~ZeroBytesOf(w ^ kHigh) & ~ZeroBytesOf(~w);
}

// Steps over the characters starting with a lead byte from pos, to the
// next character that does not, or the end. Lead bytes are trail bytes
// too, so a run of them pairs off from its start whatever it holds: the
// run is measured eight bytes at a time, and only an odd last lead byte
// needs a look at the byte after the run.
std::size_t SkipDoubleBytes(const char* s, std::size_t n, std::size_t pos) {
  while (pos < n && IsLeadByte(s[pos])) {
    std::size_t end = pos;
    while (n - end >= kWord && LeadBytesOf(LoadWord(s + end)) == kHigh) {
      end += kWord;
    }
    while (end < n && IsLeadByte(s[end])) ++end;
    pos += (end - pos) & ~std::size_t{1};
    if (pos < end) pos += GbkCharLength(s, n, pos);
  }
  return pos;
}

// Finds sought (not empty) at character starts of text. Next(pos) scans from
// pos as from the start of a character and gives the 0-based position of the
// first match, or npos.
class Scan {
 public:
  Scan(std::string_view text, std::string_view sought, bool ignoreCase)
      : s_(text.data()),
        n_(text.size()),
        sought_(sought),
        ignoreCase_(ignoreCase),
        first_(sought[0], ignoreCase),
        second_(sought.size() > 1 ? sought[1] : '\0', ignoreCase),
        leadFirst_(IsLeadByte(sought[0])),
        trailFirst_(IsGbkTrail(static_cast<unsigned char>(sought[0]))),
        digitFirst_(IsGbkDigit(static_cast<unsigned char>(sought[0]))),
        skim_(!leadFirst_ && !(ignoreCase && IsAsciiLetter(sought[0]))) {
    // A byte below 0x40 other than a digit is no part of a character of
    // more bytes, so wherever it stands it starts a character: a text that
    // begins with one is found by its bytes alone, a block of positions at
    // a time.
    const auto first = static_cast<unsigned char>(sought[0]);
    bytes_alone_ = !ignoreCase && sought.size() >= kBytesFrom && first < 0x40 &&
                   !IsGbkDigit(first);
  }

  std::size_t Next(std::size_t pos) const {
    if (bytes_alone_) {
      return FindBytes(std::string_view(s_, n_), pos, sought_);
    }
    if (!skim_) return Walk(pos, n_) ? pos : std::string_view::npos;
    while (true) {
      switch (Skim(pos, kMissCost)) {
        case kFound:
          return pos;
        case kNone:
          return std::string_view::npos;
        case kThick:
          if (Walk(pos, pos + kWalkStretch)) return pos;
      }
    }
  }

 private:
  enum SkimEnd { kFound, kNone, kThick };

  // Moves pos to the first match (kFound), or past the miss that used up
  // the credit (kThick); kNone when nothing is left. Every byte jumped over
  // earns credit, every miss costs kMissCost.
  SkimEnd Skim(std::size_t& pos, std::ptrdiff_t credit) const {
    const std::size_t m = sought_.size();
    while (pos < n_) {
      const void* hit = std::memchr(s_ + pos, sought_[0], n_ - pos);
      if (!hit) return kNone;
      const std::size_t at =
          static_cast<std::size_t>(static_cast<const char*>(hit) - s_);
      if (n_ - at < m) return kNone;
      std::size_t next = at + 1;  // after a one-byte value: a character start
      bool starts;
      if (digitFirst_) {
        next = CharacterFrom(pos, at);
        starts = next == at;
        if (starts) next = at + 1;
      } else {
        std::size_t run = at;
        while (run > pos && IsLeadByte(s_[run - 1])) --run;
        starts = (at - run) % 2 == 0 || !trailFirst_;
      }
      // The first byte is known to match.
      if (starts &&
          (m == 1 || MatchesAt(s_ + at + 1, sought_.substr(1), ignoreCase_))) {
        pos = at;
        return kFound;
      }
      credit += static_cast<std::ptrdiff_t>(at - pos) - kMissCost;
      pos = next;
      if (credit < 0) return kThick;
    }
    return kNone;
  }

  // The start of the first character that does not begin before `at`,
  // counting from pos, a character start.
  std::size_t CharacterFrom(std::size_t pos, std::size_t at) const {
    std::size_t from = at;
    while (from > pos &&
           (IsLeadByte(s_[from - 1]) ||
            IsGbkDigit(static_cast<unsigned char>(s_[from - 1])))) {
      --from;
    }
    while (from < at) from += GbkCharLength(s_, n_, from);
    return from;
  }

  // Moves pos to the first match before limit and returns true, or to the
  // first character start at or after limit (or the end) and returns false.
  bool Walk(std::size_t& pos, std::size_t limit) const {
    const std::size_t m = sought_.size();
    while (pos < limit && n_ - pos >= m) {
      // The word after pos is read too, for the byte after the last one.
      while (pos < limit && n_ - pos > kWord) {
        const std::uint64_t w = LoadWord(s_ + pos);
        std::uint64_t stop = first_.In(w);
        if (m > 1) stop &= second_.In(LoadWord(s_ + pos + 1));
        stop |= w & kHigh;
        if (stop == 0) {
          pos += kWord;
          continue;
        }
        pos += static_cast<std::size_t>(std::countr_zero(stop)) / 8;
        break;
      }
      if (pos >= limit || n_ - pos < m) break;
      if (IsLeadByte(s_[pos]) && !leadFirst_) {
        pos = SkipDoubleBytes(s_, n_, pos);
        continue;
      }
      if (MatchesAt(s_ + pos, sought_, ignoreCase_)) return true;
      pos += GbkCharLength(s_, n_, pos);
    }
    if (n_ - pos < m) pos = n_;
    return false;
  }

  const char* s_;
  std::size_t n_;
  std::string_view sought_;
  bool ignoreCase_;
  ByteChoice first_;
  ByteChoice second_;
  bool leadFirst_;
  bool trailFirst_;
  bool digitFirst_;
  bool skim_;
  bool bytes_alone_;
};

}  // namespace

int TextLength(const std::string& text) {
  return static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
}

std::string TextLeft(const std::string& text, int count) {
  if (count <= 0) return std::string();
  return text.substr(0, static_cast<std::size_t>(count));
}

std::string TextRight(const std::string& text, int count) {
  if (count <= 0) return std::string();
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(count));
  return text.substr(text.size() - n);
}

std::string TextMiddle(const std::string& text, int start, int count) {
  if (start < 1 || count <= 0 || static_cast<std::size_t>(start) > text.size())
    return std::string();
  return text.substr(static_cast<std::size_t>(start) - 1,
                     static_cast<std::size_t>(count));
}

int FindText(const std::string& text, const std::string& sought,
             std::optional<int> start, bool ignoreCase) {
  const std::size_t pos = SkipFor(start);
  if (pos >= text.size()) return -1;
  if (sought.empty()) return 1;
  const std::size_t found = Scan(text, sought, ignoreCase).Next(pos);
  return found == std::string_view::npos ? -1 : static_cast<int>(found + 1);
}

std::string ReplaceText(const std::string& text, const std::string& sought,
                        const std::string& replacement,
                        std::optional<int> start, std::optional<int> count,
                        bool caseSensitive) {
  std::size_t pos = SkipFor(start);
  if (text.empty() || sought.empty() || pos >= text.size() ||
      (count && *count == 0))
    return text;
  long long left = count ? *count : -1;  // negative: no limit
  const Scan scan(text, sought, !caseSensitive);
  std::size_t found = scan.Next(pos);
  if (found == std::string_view::npos) return text;
  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;  // bytes before this are in out
  do {
    out.append(text, copied, found - copied);
    if (!replacement.empty()) out += replacement;
    pos = copied = found + sought.size();
    if (left > 0) --left;
  } while (left != 0 && (found = scan.Next(pos)) != std::string_view::npos);
  out.append(text, copied, std::string::npos);
  return out;
}

std::vector<std::string> SplitText(const std::string& text,
                                   const std::optional<std::string>& delimiter,
                                   std::optional<int> maximum) {
  std::vector<std::string> pieces;
  if (text.empty() || (maximum && *maximum == 0)) return pieces;
  const std::string delim = delimiter.value_or(",");
  if (delim.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  const std::size_t limit =
      (maximum && *maximum > 0) ? static_cast<std::size_t>(*maximum) : 0;
  std::size_t pieceStart = 0;
  const Scan scan(text, delim, false);
  std::size_t found;
  while ((found = scan.Next(pieceStart)) != std::string_view::npos) {
    pieces.push_back(text.substr(pieceStart, found - pieceStart));
    pieceStart = found + delim.size();
    if (limit != 0 && pieces.size() == limit) return pieces;
  }
  if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
  return pieces;
}

std::string TrimBoth(const std::string& text) {
  std::size_t first = text.size();
  std::size_t end = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t len = GbkCharLength(text, pos);
    if (!IsSpaceUnit(text, pos, len)) {
      if (first == text.size()) first = pos;
      end = pos + len;
    }
    pos += len;
  }
  if (first == text.size()) return std::string();
  return text.substr(first, end - first);
}

std::string RemoveSpaces(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t len = GbkCharLength(text, pos);
    if (!IsSpaceUnit(text, pos, len)) out.append(text, pos, len);
    pos += len;
  }
  return out;
}

std::string SpacesText(int count) {
  if (count < 1) return std::string();
  return std::string(static_cast<std::size_t>(count), ' ');
}

std::string CharFromCode(int code) {
  char c = static_cast<char>(code & 0xFF);
  if (c == '\0') return std::string();
  return std::string(1, c);
}

int CharCodeAt(const std::string& text, std::optional<int> position) {
  int pos = position.value_or(1);
  if (pos < 1 || static_cast<std::size_t>(pos) > text.size()) return 0;
  return static_cast<int>(static_cast<signed char>(text[pos - 1]));
}

}  // namespace dw
