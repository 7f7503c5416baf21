#include "collect/rule_settled.h"

#include <string>

namespace dw {
namespace {

// Every cell that shapes which posts a rule finds and the links they get;
// its place in the tree, its name and how far its numbering got do not.
std::string RuleShape(const RuleTable& table, int rule_id) {
  std::string shape;
  for (int cell = 1; cell <= RuleTable::kCells; ++cell) {
    if (cell == kRuleIsdo || cell == kRuleRank || cell == kRuleName ||
        cell == kRuleLastid) {
      continue;
    }
    shape += table.Cell(rule_id, cell);
    shape.push_back('\0');  // text holds none, so cells cannot run together
  }
  for (const auto& [name, value] : table.RuleSettings(rule_id)) {
    shape += name + '=' + value;
    shape.push_back('\0');
  }
  return shape;
}

}  // namespace

bool RuleSettled(const ProgramState& state, int rule_id) {
  if (!RuleTable::HasRow(rule_id)) return false;
  const auto settled = state.settled_rules.find(rule_id);
  return settled != state.settled_rules.end() &&
         settled->second == RuleShape(state.rule_table, rule_id);
}

void NoteRuleSettled(ProgramState& state, const RuleReport& report) {
  if (!RuleTable::HasRow(report.rule_id)) return;
  if (report.failed_step != FailedStep::kNone) return;
  state.settled_rules[report.rule_id] =
      RuleShape(state.rule_table, report.rule_id);
}

}  // namespace dw
