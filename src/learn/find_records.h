// The records of any list page: a feed's items, a JSON answer's objects,
// an HTML page's repeated elements (or the JSON its scripts hold).
#pragma once

#include <memory>
#include <vector>

#include "learn/page_records.h"
#include "learn/page_utf8.h"
#include "learn/studied_page.h"

namespace dw {

class HtmlTree;

// The page as the record finders read it, each form made once at first
// use: a repair searches one page for many pairs of titles.
class ParsedPage {
 public:
  explicit ParsedPage(const StudiedPage& page);
  ~ParsedPage();
  ParsedPage(const ParsedPage&) = delete;
  ParsedPage& operator=(const ParsedPage&) = delete;

  const StudiedPage& page() const { return page_; }
  const Utf8View& utf8();
  const HtmlTree& tree();

 private:
  const StudiedPage& page_;
  std::unique_ptr<Utf8View> utf8_;
  std::unique_ptr<HtmlTree> tree_;
};

// With no example only a feed yields records. With `some_missing` (stored
// titles in a repair) examples the page lacks are passed over.
RecordList FindRecords(ParsedPage& parsed,
                       const std::vector<ExampleText>& examples,
                       bool some_missing = false);
RecordList FindRecords(const StudiedPage& page,
                       const std::vector<ExampleText>& examples,
                       bool some_missing = false);

}  // namespace dw
