#include "runtime/text_ops.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace dw {
namespace {

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

bool MatchesAt(const std::string& text, std::size_t pos,
               const std::string& sought, bool ignoreCase) {
  if (!ignoreCase) return text.compare(pos, sought.size(), sought) == 0;
  for (std::size_t k = 0; k < sought.size(); ++k) {
    if (FoldAscii(text[pos + k]) != FoldAscii(sought[k])) return false;
  }
  return true;
}

// Bytes that make up the character starting at pos: two for a lead byte with
// a byte after it, otherwise one.
std::size_t UnitLength(const std::string& text, std::size_t pos) {
  return (IsLeadByte(text[pos]) && pos + 1 < text.size()) ? 2 : 1;
}

bool IsSpaceUnit(const std::string& text, std::size_t pos, std::size_t len) {
  if (len == 1) return text[pos] == ' ';
  return static_cast<unsigned char>(text[pos]) == 0xA1 &&
         static_cast<unsigned char>(text[pos + 1]) == 0xA1;
}

std::size_t SkipFor(std::optional<int> start) {
  return start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
}

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
  std::size_t pos = SkipFor(start);
  if (pos >= text.size()) return -1;
  if (sought.empty()) return 1;
  while (text.size() - pos >= sought.size()) {
    if (MatchesAt(text, pos, sought, ignoreCase))
      return static_cast<int>(pos + 1);
    if (IsLeadByte(text[pos])) {
      if (pos + 1 >= text.size()) return -1;
      pos += 2;
    } else {
      pos += 1;
    }
  }
  return -1;
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
  std::string out = text.substr(0, pos);
  out.reserve(text.size());
  while (pos < text.size()) {
    if (text.size() - pos < sought.size() || left == 0) break;
    if (MatchesAt(text, pos, sought, !caseSensitive)) {
      out += replacement;
      pos += sought.size();
      if (left > 0) --left;
      continue;
    }
    std::size_t len = UnitLength(text, pos);
    out.append(text, pos, len);
    pos += len;
  }
  out.append(text, pos, std::string::npos);
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
  std::size_t pos = 0;
  std::size_t pieceStart = 0;
  while (text.size() - pos >= delim.size()) {
    if (text.compare(pos, delim.size(), delim) == 0) {
      pieces.push_back(text.substr(pieceStart, pos - pieceStart));
      pos += delim.size();
      pieceStart = pos;
      if (limit != 0 && pieces.size() == limit) return pieces;
      continue;
    }
    if (IsLeadByte(text[pos]) && pos + 1 >= text.size()) break;
    pos += UnitLength(text, pos);
  }
  if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
  return pieces;
}

std::string TrimBoth(const std::string& text) {
  std::size_t first = text.size();
  std::size_t end = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t len = UnitLength(text, pos);
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
    std::size_t len = UnitLength(text, pos);
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
