#include "store/search_words.h"

#include <algorithm>
#include <cstddef>

#include "runtime/utf8.h"

namespace dw {
namespace {

// The code point at text[*i], moving *i past it; a byte that starts no
// sound character stands for itself.
char32_t NextChar(std::string_view text, std::size_t* i) {
  const auto b = static_cast<unsigned char>(text[*i]);
  const std::size_t length = b < 0xC2 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  if (length == 1 || *i + length > text.size()) {
    ++*i;
    return b;
  }
  char32_t c = b & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto follow = static_cast<unsigned char>(text[*i + k]);
    if (!IsUtf8Follow(follow)) {
      ++*i;
      return b;
    }
    c = (c << 6) | (follow & 0x3F);
  }
  *i += length;
  return c;
}

bool IsGap(char32_t c) {
  return c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0xA0) || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

// Capitals first..last whose small letters stand `offset` further on.
struct ShiftedBlock {
  char32_t first;
  char32_t last;
  char32_t offset;
};
constexpr ShiftedBlock kShifted[] = {
    {0x41, 0x5A, 32},     {0xC0, 0xD6, 32},   {0xD8, 0xDE, 32},
    {0x386, 0x386, 38},   {0x388, 0x38A, 37}, {0x38C, 0x38C, 64},
    {0x38E, 0x38F, 63},   {0x391, 0x3A1, 32}, {0x3A3, 0x3AB, 32},
    {0x400, 0x40F, 80},   {0x410, 0x42F, 32}, {0x531, 0x556, 48},
    {0xFF21, 0xFF3A, 32},
};

// Runs where capital and small letter alternate, the capital on the
// first of each two.
struct AlternatingRun {
  char32_t first;
  char32_t last;
};
constexpr AlternatingRun kAlternating[] = {
    {0x100, 0x12F}, {0x132, 0x137},   {0x139, 0x148},   {0x14A, 0x177},
    {0x179, 0x17E}, {0x460, 0x481},   {0x48A, 0x4BF},   {0x4C1, 0x4CE},
    {0x4D0, 0x52F}, {0x1E00, 0x1E95}, {0x1EA0, 0x1EFF},
};

// The letter in the other case; the character itself when it has none.
char32_t OtherCase(char32_t c) {
  if (c == 0x178) return 0xFF;  // Ÿ ÿ
  if (c == 0xFF) return 0x178;
  for (const ShiftedBlock& block : kShifted) {
    if (c >= block.first && c <= block.last) return c + block.offset;
    if (c >= block.first + block.offset && c <= block.last + block.offset) {
      return c - block.offset;
    }
  }
  for (const AlternatingRun& run : kAlternating) {
    if (c >= run.first && c <= run.last) {
      return (c - run.first) % 2 == 0 ? c + 1 : c - 1;
    }
  }
  return c;
}

}  // namespace

std::vector<std::string> SearchWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    if (IsGap(NextChar(text, &i))) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.append(text, start, i - start);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> CaseVariants(std::string_view word) {
  std::vector<std::string> variants = {std::string()};
  for (std::size_t i = 0; i < word.size();) {
    const std::size_t start = i;
    const char32_t c = NextChar(word, &i);
    // A stray byte is no letter.
    const char32_t other = c >= 0x80 && i - start == 1 ? c : OtherCase(c);
    std::vector<std::string> longer;
    for (const std::string& variant : variants) {
      longer.push_back(variant + std::string(word.substr(start, i - start)));
      if (other == c) continue;
      std::string changed = variant;
      AppendUtf8(other, changed);
      longer.push_back(std::move(changed));
    }
    variants = std::move(longer);
  }
  return variants;
}

}  // namespace dw
