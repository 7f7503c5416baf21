#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collect/rule_chain.h"
#include "collect/rule_report.h"
#include "collect/worker_context.h"

namespace dw {

// Fetches the rule's page, cuts and tidies it, finds its posts with the
// rule's pattern and hands each new one to HandlePost, the last on the page
// first, and reports how each step went (the found posts and page text
// left empty). A rule id without a row in the rule table does nothing. A
// rule numbered by last id compares with the last id as the call found it,
// and raises it once the call has walked the whole page; a pause that cuts
// the call short raises it only past the posts it handled
// (LastIdAfterPause).
RuleReport CollectRule(WorkerContext& ctx, int rule_id);

// For a rule numbered by last id whose call a pause cut short: the last id
// that lets the next call hand none of the `handled` posts again without
// skipping any of the `unhandled` ones (their ids as numbers, in any order).
// So it rises to the highest handled id below every unhandled new one.
std::int64_t LastIdAfterPause(std::int64_t last_id,
                              const std::vector<std::int64_t>& handled,
                              const std::vector<std::int64_t>& unhandled);

}  // namespace dw
