#include "learn/find_records.h"

#include <algorithm>

#include "learn/feed_records.h"
#include "learn/html_records.h"
#include "learn/html_tree.h"
#include "learn/json_records.h"
#include "learn/page_utf8.h"

namespace dw {

namespace {

RecordList FindAnyRecords(ParsedPage& parsed,
                          const std::vector<ExampleText>& examples,
                          bool some_missing) {
  const StudiedPage& page = parsed.page();
  if (LooksLikeFeed(page.text)) {
    RecordList feed = FindFeedRecords(page.text, page.url, examples);
    if (feed.records.size() >= 2) return feed;
  }
  if (examples.empty()) return {};
  const size_t first = page.text.find_first_not_of(" \t\r\n");
  const bool json = first != std::string::npos &&
                    (page.text[first] == '{' || page.text[first] == '[');
  if (!json) {
    RecordList html = FindHtmlRecords(page.text, parsed.utf8(), parsed.tree(),
                                      page.url, examples, some_missing);
    if (!html.records.empty()) return html;
  }
  // A JSON answer, or a page whose list its scripts build from JSON.
  return FindJsonRecords(page.text, page.url, examples, some_missing);
}

}  // namespace

ParsedPage::ParsedPage(const StudiedPage& page) : page_(page) {}
ParsedPage::~ParsedPage() = default;

const Utf8View& ParsedPage::utf8() {
  if (!utf8_) utf8_ = std::make_unique<Utf8View>(Utf8WithOrigins(page_.text));
  return *utf8_;
}

const HtmlTree& ParsedPage::tree() {
  if (!tree_) tree_ = std::make_unique<HtmlTree>(utf8().text);
  return *tree_;
}

RecordList FindRecords(const StudiedPage& page,
                       const std::vector<ExampleText>& examples,
                       bool some_missing) {
  ParsedPage parsed(page);
  return FindRecords(parsed, examples, some_missing);
}

RecordList FindRecords(ParsedPage& parsed,
                       const std::vector<ExampleText>& examples,
                       bool some_missing) {
  RecordList list = FindAnyRecords(parsed, examples, some_missing);
  for (const ExampleText& example : examples) {
    list.examples_found += std::any_of(
        list.records.begin(), list.records.end(), [&](const PageRecord& r) {
          return ShownTitleFits(r.shown_title, example);
        });
  }
  return list;
}

}  // namespace dw
