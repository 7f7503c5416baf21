#include "collect/rule_probe.h"

#include "collect/rule_chain.h"
#include "runtime/date_time.h"
#include "store/statements.h"

namespace dw {

RuleReport ProbeRule(const RuleRow& row, Database& db,
                     const std::optional<std::string>& page_bytes) {
  RuleReport report;
  const ChainRule rule = ChainRuleFromRow(row);
  report.rule_id = rule.id;
  report.rule_name = rule.name;
  report.ran_at = Now();
  report.detailed = true;
  ChainPage page = RunRuleChain(rule, page_bytes, report);
  // A record set of its own: the probe may run beside a worker's.
  RecordSet record_set;
  for (const Match& match : page.matches) {
    FoundPost post = PostOfMatch(rule, match, page);
    post.stored =
        db.IsOpen() && CountStoredPosts(record_set, db, post.link) != 0;
    report.found.push_back(std::move(post));
    report.match_spans.emplace_back(match.groups[0].begin, match.groups[0].end);
  }
  report.page_text = std::move(page.text);
  return report;
}

}  // namespace dw
