// What tidying took out of a page, or changed in it, noted by where it
// stood in the tidied text, so that a span found there can be read again as
// the page had it.
#pragma once

#include <cstdint>
#include <vector>

namespace dw {

enum class TidyMarkKind : std::uint8_t {
  kQuote,      // a quote or apostrophe of the text, taken out
  kDelimiter,  // a quote that opened or closed an attribute value, taken out
  kQuoteText,  // "&quot;", taken out with the quote it became
  kBreak,      // a run of line breaks and tabs, taken out
  kEntity,     // the byte at `at` is what "&lt;", "&gt;" or "&#37;" became
};

struct TidyMark {
  // Offset in the tidied text: what was taken out stood just before the
  // byte at `at` (the end of the text for what stood last).
  std::uint32_t at;
  TidyMarkKind kind;
  char byte;  // the quote or apostrophe; "<", ">" or "%" for kEntity
};

// In the order of the page, so `at` never goes down.
using TidyMarks = std::vector<TidyMark>;

}  // namespace dw
