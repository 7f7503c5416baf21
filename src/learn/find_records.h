// The records of any list page: a feed's items, a JSON answer's objects,
// an HTML page's repeated elements (or the JSON its scripts hold).
#pragma once

#include <vector>

#include "learn/page_records.h"
#include "learn/studied_page.h"

namespace dw {

// With no example only a feed yields records. With `some_missing` (stored
// titles in a repair) examples the page lacks are passed over.
RecordList FindRecords(const StudiedPage& page,
                       const std::vector<ExampleText>& examples,
                       bool some_missing = false);

}  // namespace dw
