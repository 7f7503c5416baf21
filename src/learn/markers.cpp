#include "learn/markers.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "runtime/ascii_case.h"
#include "runtime/gbk_constants.h"
#include "runtime/text_ops.h"

namespace dw {
namespace {

constexpr size_t kMostTags = 3;
constexpr size_t kLongestMarker = 200;
constexpr int kTagsTried = 60;

size_t CommonSuffix(std::string_view a, std::string_view b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() &&
         a[a.size() - 1 - n] == b[b.size() - 1 - n]) {
    ++n;
  }
  return n;
}

size_t CommonPrefix(std::string_view a, std::string_view b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

// A marker that the next fetch will still carry: no line breaks, no link or
// image address, no number of four digits or more (ids, counters, times).
bool Steady(std::string_view marker) {
  if (marker.empty() || marker.size() > kLongestMarker) return false;
  if (marker.find_first_of("\r\n\t") != std::string_view::npos) return false;
  const std::string lower = LowerAscii(marker);
  if (lower.find("href=") != std::string::npos ||
      lower.find("src=") != std::string::npos) {
    return false;
  }
  size_t digits = 0;
  for (char c : marker) {
    digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
    if (digits >= 4) return false;
  }
  return true;
}

bool UniqueAt(const std::string& page, std::string_view marker, size_t at) {
  return page.find(marker) == at &&
         page.find(marker, at + 1) == std::string::npos;
}

// The nearest steady, unique run of whole tags ending at or before `limit`
// and starting at or after `floor`.
std::string MarkerBefore(const std::string& page, size_t limit, size_t floor) {
  size_t end = std::min(limit, page.size());
  for (int tried = 0; tried < kTagsTried && end > floor; ++tried) {
    const size_t close = page.rfind('>', end - 1);
    if (close == std::string::npos || close < floor) break;
    end = close;  // the next try looks before this tag
    size_t start = page.rfind('<', close);
    for (size_t tags = 1;
         start != std::string::npos && start >= floor && tags <= kMostTags;
         ++tags) {
      const std::string_view marker(page.data() + start, close + 1 - start);
      if (!Steady(marker)) break;
      if (UniqueAt(page, marker, start)) return std::string(marker);
      // Only tags that touch: text between them may change.
      if (start == 0 || page[start - 1] != '>') break;
      start = page.rfind('<', start - 1);
    }
  }
  return {};
}

// The same after the run: starting at or after `limit`, ending before
// `ceiling`.
std::string MarkerAfter(const std::string& page, size_t limit, size_t ceiling) {
  size_t from = limit;
  ceiling = std::min(ceiling, page.size());
  for (int tried = 0; tried < kTagsTried && from < ceiling; ++tried) {
    const size_t open = page.find('<', from);
    if (open == std::string::npos || open >= ceiling) break;
    from = open + 1;
    size_t close = page.find('>', open);
    for (size_t tags = 1;
         close != std::string::npos && close < ceiling && tags <= kMostTags;
         ++tags) {
      const std::string_view marker(page.data() + open, close + 1 - open);
      if (!Steady(marker)) break;
      if (UniqueAt(page, marker, open)) return std::string(marker);
      if (close + 1 >= page.size() || page[close + 1] != '<') break;
      close = page.find('>', close + 1);
    }
  }
  return {};
}

// The marker as a rule stores it: each quote as the quote placeholder.
std::string WithQuotePlaceholders(const std::string& marker) {
  return ReplaceText(marker, "\"", kQuotePlaceholder);
}

}  // namespace

Markers ChooseMarkers(const std::string& page, const TidyMap& tidy,
                      const PostRun& run) {
  Markers markers;
  if (run.records.empty() || tidy.text.empty()) return markers;
  const std::string_view text = tidy.text;
  const size_t first = run.records.front().first;
  const size_t last = run.records.back().second;
  // What comes before the first record and after the last has, nearest to
  // them, the markup every record shares with its neighbours; the markers
  // go beyond that, and beyond a whole record's length when records differ.
  const std::string_view head = text.substr(run.floor, first - run.floor);
  const std::string_view tail = text.substr(last, run.ceiling - last);
  size_t shared_head = head.size();
  size_t shared_tail = tail.size();
  std::vector<size_t> gaps;
  for (size_t i = 1; i < run.records.size(); ++i) {
    const size_t from = run.records[i - 1].second;
    const size_t to = run.records[i].first;
    const std::string_view gap = text.substr(from, to - from);
    shared_head = std::min(shared_head, CommonSuffix(head, gap));
    shared_tail = std::min(shared_tail, CommonPrefix(tail, gap));
    gaps.push_back(gap.size());
  }
  size_t gap = 0;
  if (!gaps.empty()) {
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    gap = gaps[gaps.size() / 2];
  }
  auto at = [&](size_t t) -> size_t {
    return t >= tidy.origin.size() ? page.size() : tidy.origin[t];
  };
  const size_t floor = run.floor == 0 ? 0 : at(run.floor);
  const size_t ceiling = at(run.ceiling);
  const size_t wide_head =
      std::max(shared_head, gap > shared_tail ? gap - shared_tail : 0);
  const size_t wide_tail =
      std::max(shared_tail, gap > shared_head ? gap - shared_head : 0);
  for (auto [before, after] :
       {std::pair{wide_head, wide_tail}, std::pair{shared_head, shared_tail},
        std::pair{size_t{0}, size_t{0}}}) {
    const size_t start_limit = at(first - std::min(before, first - run.floor));
    const size_t end_limit = at(std::min(last + after, run.ceiling));
    if (markers.before.empty()) {
      markers.before = MarkerBefore(page, start_limit, floor);
    }
    if (markers.after.empty()) {
      markers.after =
          MarkerAfter(page, std::max(end_limit, at(last - 1) + 1), ceiling);
    }
  }
  markers.found = !markers.before.empty() && !markers.after.empty();
  markers.before = WithQuotePlaceholders(markers.before);
  markers.after = WithQuotePlaceholders(markers.after);
  return markers;
}

}  // namespace dw
