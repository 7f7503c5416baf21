#include "learn/find_records.h"

#include "learn/html_records.h"
#include "learn/page_utf8.h"

namespace dw {

RecordList FindRecords(const StudiedPage& page,
                       const std::vector<ExampleText>& examples,
                       bool some_missing) {
  if (examples.empty()) return {};
  const Utf8View utf8 = Utf8WithOrigins(page.text);
  return FindHtmlRecords(page.text, utf8, page.url, examples, some_missing);
}

}  // namespace dw
