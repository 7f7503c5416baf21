#include "collect/collect_rule.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "collect/handle_post.h"
#include "collect/rule_chain.h"
#include "collect/seen_ids.h"
#include "runtime/convert.h"
#include "runtime/date_time.h"
#include "runtime/native_pattern.h"
#include "runtime/threads.h"

namespace dw {
namespace {

constexpr int kNumberedByLastId = 8;

}  // namespace

std::int64_t LastIdAfterPause(std::int64_t last_id,
                              const std::vector<std::int64_t>& handled,
                              const std::vector<std::int64_t>& unhandled) {
  std::int64_t lowest_unhandled = std::numeric_limits<std::int64_t>::max();
  for (std::int64_t value : unhandled) {
    if (value > last_id) lowest_unhandled = std::min(lowest_unhandled, value);
  }
  std::int64_t kept = last_id;
  for (std::int64_t value : handled) {
    if (value > kept && value < lowest_unhandled) kept = value;
  }
  return kept;
}

RuleReport CollectRule(WorkerContext& ctx, int rule_id) {
  RuleReport report;
  report.rule_id = rule_id;
  report.ran_at = Now();
  if (!RuleTable::HasRow(rule_id)) return report;
  ChainRule rule = ChainRuleFromTable(ctx.state.rule_table, rule_id);
  report.rule_name = rule.name;
  if (const auto known = ctx.state.validators.find(rule_id);
      known != ctx.state.validators.end()) {
    rule.known = known->second;
  }

  ChainPage page = RunRuleChain(rule, std::nullopt, report);
  std::vector<Match>& matches = page.matches;
  if (matches.empty()) return report;
  // The last match on the page is handed first.
  std::reverse(matches.begin(), matches.end());

  const bool by_last_id = rule.kind == kNumberedByLastId;
  std::vector<std::string> ids;
  std::vector<std::int64_t> values;
  for (const Match& match : matches) {
    ids.push_back(MatchSubText(match, page.text, rule.id_group));
    values.push_back(by_last_id ? ToLongInteger(ids.back()) : 0);
  }

  bool any_new = false;
  std::int64_t highest = 0;
  std::vector<std::int64_t> handled;  // by last id: posts handled to the end
  // A pause cuts the call short before the post at walk position `next`.
  auto keep_handled = [&](std::size_t next) {
    if (!by_last_id) return report;
    const std::int64_t kept = LastIdAfterPause(
        rule.last_id, handled,
        std::vector<std::int64_t>(values.begin() + next, values.end()));
    if (kept > rule.last_id) {
      ctx.state.rule_table.Cell(rule_id, kRuleLastid) = std::to_string(kept);
    }
    return report;
  };
  for (std::size_t i = 0; i < matches.size(); ++i) {
    // Seen ids count only among rules that build the same links: another
    // site's post with the same number is a different post.
    const std::string seen_key = SeenKey(rule.link_template, ids[i]);
    const bool is_new = by_last_id ? values[i] > rule.last_id
                                   : ctx.state.first_round ||
                                         !ctx.state.seen_ids.Contains(seen_key);
    if (!is_new) continue;
    if (StopRequested()) return keep_handled(i);
    any_new = true;
    bool newly_seen = false;
    if (by_last_id) {
      highest = std::max(highest, values[i]);
    } else {
      newly_seen = ctx.state.seen_ids.Add(seen_key);
    }

    const Post post{PostOfMatch(rule, matches[i], page), rule_id, rule.name,
                    rule.kind};
    if (!HandlePost(ctx, post, &report.posts)) {
      // Paused before the post was stored: let the next start find it again.
      if (newly_seen) ctx.state.seen_ids.Remove(seen_key);
      return keep_handled(i);
    }
    if (by_last_id) handled.push_back(values[i]);
  }
  if (any_new && by_last_id) {
    ctx.state.rule_table.Cell(rule_id, kRuleLastid) = std::to_string(highest);
  }
  return report;
}

}  // namespace dw
