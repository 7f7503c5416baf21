#include "store/rule_id.h"

#include "store/rule_table.h"

namespace dw {

bool IsRuleId(std::int64_t id) {
  return id >= kFirstRuleId && id <= kLastRuleId;
}

std::optional<int> RuleIdOf(std::string_view text) {
  // Four digits at most, so no value can wrap into the range.
  if (text.empty() || text.size() > 4 || text.front() == '0') {
    return std::nullopt;
  }
  int id = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    id = id * 10 + (c - '0');
  }
  if (!IsRuleId(id)) return std::nullopt;
  return id;
}

}  // namespace dw
