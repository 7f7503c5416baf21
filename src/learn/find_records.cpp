#include "learn/find_records.h"

#include "learn/feed_records.h"
#include "learn/html_records.h"
#include "learn/page_utf8.h"

namespace dw {

RecordList FindRecords(const StudiedPage& page,
                       const std::vector<ExampleText>& examples,
                       bool some_missing) {
  if (LooksLikeFeed(page.text)) {
    RecordList feed = FindFeedRecords(page.text, page.url);
    if (feed.records.size() >= 2) {
      for (const ExampleText& example : examples) {
        for (const PageRecord& record : feed.records) {
          if (ShownTitleFits(record.shown_title, example)) {
            ++feed.examples_found;
            break;
          }
        }
      }
      return feed;
    }
  }
  if (examples.empty()) return {};
  const Utf8View utf8 = Utf8WithOrigins(page.text);
  return FindHtmlRecords(page.text, utf8, page.url, examples, some_missing);
}

}  // namespace dw
