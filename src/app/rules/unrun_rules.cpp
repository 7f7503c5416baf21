#include "app/rules/unrun_rules.h"

#include <set>

#include "app/rules/rule_fields.h"

namespace dw {

QString UnrunRulesNote(const std::vector<RuleRow>& rows) {
  QString note;
  std::set<std::int64_t> seen;  // the loader runs the first row of an id
  for (const RuleRow& row : rows) {
    if (!seen.insert(row.id).second) continue;
    const std::vector<RuleProblem> problems = CheckRuleLimits(row);
    if (problems.empty()) continue;
    if (!note.isEmpty()) note += '\n';
    note += QString::fromUtf8("规则 %1 没有运行：%2")
                .arg(row.id)
                .arg(ProblemText(problems.front()));
  }
  return note;
}

}  // namespace dw
