#include "store/title_pairs.h"

#include <cstddef>
#include <vector>

#include "runtime/utf8.h"

namespace dw {
namespace {

// Letters and digits stand for themselves, the tokenizer folding letters
// as a search folds them, and characters beyond ASCII as their own bytes,
// which it keeps in its words; any other byte is 'z' and two hex digits,
// 'z' itself too, so no two runs of characters are written alike.
void AppendCharacter(std::string_view character, std::string& out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const auto c = static_cast<unsigned char>(character[0]);
  if (c >= 0x80) {
    out += character;
  } else if (c == 'z' || c == 'Z') {
    out += "z7a";
  } else if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'y') ||
             (c >= 'A' && c <= 'Y')) {
    out += static_cast<char>(c);
  } else {
    out += 'z';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
}

// A letter or a character beyond ASCII: what the index holds alone or
// beside anything. Digits and signs with only their like are left out.
bool IsIndexed(std::string_view character) {
  const auto c = static_cast<unsigned char>(character[0]);
  return c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsGap(std::string_view character) {
  return character == " " || character == "\t";
}

}  // namespace

std::string TitlePairs(std::string_view title) {
  const std::vector<std::size_t> starts = CharacterStarts(title);
  std::string words;
  words.reserve(title.size() * 3);
  for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
    const std::string_view one =
        title.substr(starts[k], starts[k + 1] - starts[k]);
    const std::string_view next =
        k + 2 < starts.size()
            ? title.substr(starts[k + 1], starts[k + 2] - starts[k + 1])
            : std::string_view();
    if (IsGap(one)) continue;
    const bool pair = !next.empty() && !IsGap(next);
    if (IsIndexed(one)) {
      if (!words.empty()) words += ' ';
      AppendCharacter(one, words);
    }
    if (pair && (IsIndexed(one) || IsIndexed(next))) {
      if (!words.empty()) words += ' ';
      AppendCharacter(one, words);
      AppendCharacter(next, words);
    }
  }
  return words;
}

std::optional<std::string> PairWord(std::string_view word) {
  if (word.empty() || !IsSoundUtf8(word)) return std::nullopt;
  const std::vector<std::size_t> starts = CharacterStarts(word);
  if (starts.size() > 3) return std::nullopt;
  std::string out;
  bool indexed = false;
  for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
    const std::string_view one =
        word.substr(starts[k], starts[k + 1] - starts[k]);
    if (IsGap(one)) return std::nullopt;
    indexed = indexed || IsIndexed(one);
    AppendCharacter(one, out);
  }
  if (!indexed) return std::nullopt;
  return out;
}

}  // namespace dw
