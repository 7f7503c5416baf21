#include "learn/find_records.h"

#include <algorithm>

#include "learn/feed_records.h"
#include "learn/html_records.h"
#include "learn/json_records.h"
#include "learn/page_utf8.h"

namespace dw {

namespace {

RecordList FindAnyRecords(const StudiedPage& page,
                          const std::vector<ExampleText>& examples,
                          bool some_missing) {
  if (LooksLikeFeed(page.text)) {
    RecordList feed = FindFeedRecords(page.text, page.url, examples);
    if (feed.records.size() >= 2) return feed;
  }
  if (examples.empty()) return {};
  const size_t first = page.text.find_first_not_of(" \t\r\n");
  const bool json = first != std::string::npos &&
                    (page.text[first] == '{' || page.text[first] == '[');
  if (!json) {
    const Utf8View utf8 = Utf8WithOrigins(page.text);
    RecordList html =
        FindHtmlRecords(page.text, utf8, page.url, examples, some_missing);
    if (!html.records.empty()) return html;
  }
  // A JSON answer, or a page whose list its scripts build from JSON.
  return FindJsonRecords(page.text, page.url, examples, some_missing);
}

}  // namespace

RecordList FindRecords(const StudiedPage& page,
                       const std::vector<ExampleText>& examples,
                       bool some_missing) {
  RecordList list = FindAnyRecords(page, examples, some_missing);
  for (const ExampleText& example : examples) {
    list.examples_found += std::any_of(
        list.records.begin(), list.records.end(), [&](const PageRecord& r) {
          return ShownTitleFits(r.shown_title, example);
        });
  }
  return list;
}

}  // namespace dw
