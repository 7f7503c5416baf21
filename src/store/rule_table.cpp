#include "store/rule_table.h"

namespace dw {

RuleTable::RuleTable() : cells_(kRows, kCells) {}

std::string& RuleTable::Cell(int rule_id, int cell) {
  return cells_(rule_id, cell);
}

const std::string& RuleTable::Cell(int rule_id, int cell) const {
  return cells_(rule_id, cell);
}

const RuleSettingTexts& RuleTable::RuleSettings(int rule_id) const {
  static const RuleSettingTexts kNone;
  const auto found = settings_.find(rule_id);
  return found == settings_.end() ? kNone : found->second;
}

}  // namespace dw
