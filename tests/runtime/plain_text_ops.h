// The find, replace and split scans written the plain way, one character
// at a time, as the yardstick for the word-at-a-time scan of the runtime.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dw::plain {

// A lead byte with a valid trail byte after it is one character of two;
// with a digit, a lead byte and a digit after it, one of four.
inline std::size_t CharLength(const std::string& s, std::size_t pos) {
  auto byte = [&s](std::size_t at) {
    return at < s.size() ? static_cast<unsigned char>(s[at]) : 0;
  };
  auto lead = [](unsigned char b) { return b >= 0x81 && b != 0xFF; };
  auto digit = [](unsigned char b) { return b >= '0' && b <= '9'; };
  if (!lead(byte(pos))) return 1;
  const unsigned char trail = byte(pos + 1);
  if (trail >= 0x40 && trail != 0x7F && trail != 0xFF) return 2;
  return digit(trail) && lead(byte(pos + 2)) && digit(byte(pos + 3)) ? 4 : 1;
}

inline char Fold(char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Case is ignored for one-byte characters only.
inline bool MatchesAt(const std::string& text, std::size_t pos,
                      const std::string& sought, bool ignoreCase) {
  for (std::size_t k = 0; k < sought.size(); ++k) {
    char a = text[pos + k];
    char b = sought[k];
    if (ignoreCase && CharLength(sought, k) == 1 ? Fold(a) != Fold(b) : a != b)
      return false;
    for (std::size_t j = 1; j < CharLength(sought, k); ++j) {
      if (text[pos + k + j] != sought[k + j]) return false;
    }
    k += CharLength(sought, k) - 1;
  }
  return true;
}

inline std::size_t Skip(std::optional<int> start) {
  return start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
}

inline int FindText(const std::string& text, const std::string& sought,
                    std::optional<int> start = std::nullopt,
                    bool ignoreCase = false) {
  std::size_t pos = Skip(start);
  if (pos >= text.size()) return -1;
  if (sought.empty()) return 1;
  while (text.size() - pos >= sought.size()) {
    if (MatchesAt(text, pos, sought, ignoreCase))
      return static_cast<int>(pos) + 1;
    pos += CharLength(text, pos);
  }
  return -1;
}

inline std::string ReplaceText(const std::string& text,
                               const std::string& sought,
                               const std::string& replacement = {},
                               std::optional<int> start = std::nullopt,
                               std::optional<int> count = std::nullopt,
                               bool caseSensitive = true) {
  std::size_t pos = Skip(start);
  if (text.empty() || sought.empty() || pos >= text.size() ||
      (count && *count == 0))
    return text;
  int left = count.value_or(-1);
  std::string out = text.substr(0, pos);
  while (pos < text.size() && text.size() - pos >= sought.size() && left != 0) {
    if (MatchesAt(text, pos, sought, !caseSensitive)) {
      out += replacement;
      pos += sought.size();
      if (left > 0) --left;
      continue;
    }
    std::size_t len = CharLength(text, pos);
    out.append(text, pos, len);
    pos += len;
  }
  return out + text.substr(pos);
}

inline std::vector<std::string> SplitText(
    const std::string& text, const std::string& delimiter,
    std::optional<int> maximum = std::nullopt) {
  std::vector<std::string> pieces;
  if (text.empty() || (maximum && *maximum == 0)) return pieces;
  if (delimiter.empty()) return {text};
  std::size_t pos = 0;
  std::size_t from = 0;
  while (text.size() - pos >= delimiter.size()) {
    if (MatchesAt(text, pos, delimiter, false)) {
      pieces.push_back(text.substr(from, pos - from));
      pos = from = pos + delimiter.size();
      if (maximum && *maximum > 0 &&
          pieces.size() == static_cast<std::size_t>(*maximum))
        return pieces;
      continue;
    }
    pos += CharLength(text, pos);
  }
  if (from < text.size()) pieces.push_back(text.substr(from));
  return pieces;
}

}  // namespace dw::plain
