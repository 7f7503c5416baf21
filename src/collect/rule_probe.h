#pragma once

#include <optional>
#include <string>

#include "collect/rule_report.h"
#include "runtime/database.h"
#include "store/rule_row.h"

namespace dw {

// Runs `row` once through the chain CollectRule collects with (fetch, cut,
// tidy, the clean-up its id gets, the pattern) and reports every step and
// every post found, first on the page first, each marked when its link is
// already in `info` of `db` (when open). Writes nothing anywhere and touches
// no program state. `page_bytes`, when given, stands for the fetched body
// (the row's isgbk still decides its decoding). A stop request on the
// calling thread (EndThread) abandons a fetch within 100 ms.
RuleReport ProbeRule(const RuleRow& row, Database& db,
                     const std::optional<std::string>& page_bytes);

}  // namespace dw
