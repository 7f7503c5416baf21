// The tidied page text the rule's pattern will see, with where each of its
// bytes came from in the decoded page, so that what is found in the one can
// be cut out of the other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/tidy_marks.h"

namespace dw {

struct TidyMap {
  std::string text;              // as TidyHtmlText makes it
  std::vector<uint32_t> origin;  // per byte of text: its offset in the page
  TidyMarks marks;               // what TidyHtmlText took out of the page
};

// Tidies `page` the way TidyHtmlText does, step by step, keeping origins.
TidyMap TidyWithOrigins(std::string_view page);

}  // namespace dw
