// The records of an HTML list page, found in the document a browser builds
// from it: the elements holding the example titles, the repeated siblings
// around them, and each one's title and own link.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "learn/page_records.h"
#include "learn/page_utf8.h"

namespace dw {
class HtmlTree;
}

namespace dw {

// Empty records when the examples are not titles of one list. `page_url`
// is the address links are resolved against (a <base href> wins). With
// `some_missing` (a repair's stored titles) examples the page lacks are
// passed over.
RecordList FindHtmlRecords(std::string_view program_text, const Utf8View& page,
                           const HtmlTree& tree, std::string_view page_url,
                           const std::vector<ExampleText>& examples,
                           bool some_missing = false);

}  // namespace dw
