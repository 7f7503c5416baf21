// The records of a list written as JSON: a JSON answer, or JSON a page's
// script holds (a framework's page state). The records are the objects of
// the array that holds the example titles as string values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "learn/page_records.h"

namespace dw {

// A JSON string's contents (program text, as written between its quotes)
// decoded to UTF-8; `origin`, when given, gets the offset in `raw` each
// UTF-8 byte came from, and one past the end. Broken escapes stay as
// written.
std::string DecodeJsonText(std::string_view raw,
                           std::vector<uint32_t>* origin = nullptr);

// Empty records when no JSON in the page holds the examples as one list.
RecordList FindJsonRecords(std::string_view program_text,
                           std::string_view page_url,
                           const std::vector<ExampleText>& examples,
                           bool some_missing = false);

}  // namespace dw
