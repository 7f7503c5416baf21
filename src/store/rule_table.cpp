#include "store/rule_table.h"

namespace dw {

std::string& RuleTable::Cell(int rule_id, int cell) {
  return rows_[rule_id][cell - 1];
}

const std::string& RuleTable::Cell(int rule_id, int cell) const {
  static const std::string kEmpty;
  const auto found = rows_.find(rule_id);
  return found == rows_.end() ? kEmpty : found->second[cell - 1];
}

std::vector<int> RuleTable::Ids() const {
  std::vector<int> ids;
  ids.reserve(rows_.size());
  for (const auto& [id, cells] : rows_) ids.push_back(id);
  return ids;
}

const RuleSettingTexts& RuleTable::RuleSettings(int rule_id) const {
  static const RuleSettingTexts kNone;
  const auto found = settings_.find(rule_id);
  return found == settings_.end() ? kNone : found->second;
}

}  // namespace dw
