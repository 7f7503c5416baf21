// The two markers that cut the run of posts out of a page.
#pragma once

#include <string>
#include <vector>

#include "learn/tidy_map.h"

namespace dw {

// Where each post's match lies in the tidied text, first on the page first,
// and the bounds of the run: the end of the last match before it and the
// start of the first match after it (tidied text offsets).
struct PostRun {
  std::vector<std::pair<size_t, size_t>> records;
  size_t floor = 0;
  size_t ceiling = 0;
  size_t first_index = 0;  // of the first and last record among all matches
  size_t last_index = 0;
};

struct Markers {
  std::string before;  // as stored: a double quote written as "#引号"
  std::string after;
  bool found = false;
};

// Markers on `page` (the decoded page the cut sees) made of whole tags, each
// unique on the page, free of links and long numbers (which change from
// fetch to fetch), as near the run as the records' own shared markup allows.
Markers ChooseMarkers(const std::string& page, const TidyMap& tidy,
                      const PostRun& run);

}  // namespace dw
