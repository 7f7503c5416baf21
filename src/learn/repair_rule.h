// A broken rule mended from the posts it stored before the site changed:
// they are found again on today's page and a rule is learned from them,
// keeping what of the old rule still works.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "learn/learn_rule.h"
#include "runtime/database.h"
#include "store/rule_row.h"
#include "store/statements.h"

namespace dw {

// The newest posts stored for the rule (`info` rows with its planid), newest
// first, at most `most`; only their titles and links are read.
std::vector<StoredPost> NewestStoredPosts(Database& db, std::int64_t rule_id,
                                          int most = 50);

struct RepairRequest {
  RuleRow rule;                           // as stored
  std::vector<StoredPost> stored;         // newest first
  std::optional<std::string> page_bytes;  // given: nothing is fetched
};

// Proposals for the rule, the ones that keep stored posts' links first. Each
// names the columns it changes and how many stored posts it would announce
// again. Writes nothing.
LearnResult RepairRule(const RepairRequest& request);

}  // namespace dw
