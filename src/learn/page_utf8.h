// Program text as UTF-8 for the parsers, with the way back: where each
// UTF-8 byte's character starts in the program text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

struct Utf8View {
  std::string text;
  std::vector<uint32_t> origin;  // per byte of text, and one past its end

  // The program-text offset of UTF-8 offset `at` (clamped to the end).
  size_t Origin(size_t at) const {
    return origin[at < origin.size() ? at : origin.size() - 1];
  }
};

Utf8View Utf8WithOrigins(std::string_view program_text);

}  // namespace dw
