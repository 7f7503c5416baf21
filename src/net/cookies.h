#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

namespace dw {

// The cookie text ("name=value; name=value") of the Set-Cookie lines in
// `headers` (CR LF separated, header names already spelt "Set-Cookie"), in
// line order, attributes dropped.
std::string CollectSetCookies(const std::string& headers);

// Merges `new_cookies` into `old_cookies`: spaces removed, new items first
// in their order, then old items whose name is not yet present, items whose
// value is "deleted" dropped, exact duplicates dropped. The result is also
// stored in `old_cookies`.
std::string MergeCookies(std::string& old_cookies,
                         const std::string& new_cookies);

// The text before the first "=" of a cookie item (the whole item when it
// has none), trimmed.
std::string CookieName(const std::string& item);

// `text` split at `delimiter` and joined again without exact duplicates.
std::string RemoveDuplicateItems(const std::string& text,
                                 const std::string& delimiter);

// The text between the first `left` at or after byte position `start`
// (1-based; omitted or below 1 means the beginning) and the first `right`
// after it; empty when either is missing. "#引号" in a marker stands for a
// double quote.
std::string TextBetween(const std::string& text, const std::string& left,
                        const std::string& right,
                        std::optional<int> start = std::nullopt,
                        bool case_insensitive = false);

// Where the markers of TextBetween from the beginning, with exact
// comparison, stand: the cut a rule makes of its page, without a copy of
// it.
struct MarkerCut {
  bool left_found = false;
  bool right_found = false;
  // Where each marker stands in the text searched (0-based byte offsets)
  // and how long it is as searched; -1 when not found. With the start
  // marker missing the end marker is still looked for from the top, only
  // to be shown.
  long long left_at = -1;
  long long left_length = 0;
  long long right_at = -1;
  long long right_length = 0;

  // The cut as 0-based offsets [from, to) of the text; empty unless both
  // markers were found. An empty end marker is found at the very start,
  // before the start marker, and so cuts nothing.
  size_t from() const {
    return right_found ? static_cast<size_t>(left_at + left_length) : 0;
  }
  size_t to() const {
    return right_found ? std::max(from(), static_cast<size_t>(right_at)) : 0;
  }
};
MarkerCut CutBetweenMarkers(const std::string& text, const std::string& left,
                            const std::string& right);

}  // namespace dw
