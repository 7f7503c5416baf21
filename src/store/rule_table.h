#pragma once

#include <map>
#include <string>
#include <vector>

#include "runtime/array.h"

namespace dw {

// The cells of a loaded rule row, in the order the rule statement selects
// the columns after `id`.
enum RuleCell {
  kRuleIsdo = 1,
  kRuleRank,
  kRuleIsgbk,
  kRuleType,
  kRuleName,
  kRuleUrl,
  kRuleCookie,
  kRuleReg,
  kRuleBefore,
  kRuleAfter,
  kRuleTindex,
  kRuleIdindex,
  kRulePinurl,
  kRuleLastid,
};

// Rule ids run from 1 to 18, one row of the loaded table each.
inline constexpr int kFirstRuleId = 1;
inline constexpr int kLastRuleId = 18;

// A rule's settings of our own (store/rule_settings.h) by name, values as
// stored.
using RuleSettingTexts = std::map<std::string, std::string>;

// The loaded rules: one row of text cells per rule id 1..18, exactly as the
// database returned them. Rows of ids no rule uses stay empty.
class RuleTable {
 public:
  static constexpr int kRows = kLastRuleId;
  static constexpr int kCells = 23;

  RuleTable();

  static bool HasRow(int rule_id) {
    return rule_id >= kFirstRuleId && rule_id <= kLastRuleId;
  }

  // `rule_id` must satisfy HasRow and `cell` lie in 1..kCells.
  std::string& Cell(int rule_id, int cell);
  const std::string& Cell(int rule_id, int cell) const;

  // The rule's settings beside its cells; none kept reads as empty.
  RuleSettingTexts& RuleSettings(int rule_id) { return settings_[rule_id]; }
  const RuleSettingTexts& RuleSettings(int rule_id) const;

 private:
  Array<std::string> cells_;
  std::map<int, RuleSettingTexts> settings_;  // only rules that have some
};

// The keywords from `con`, in file order.
using KeywordList = std::vector<std::string>;

// The rest of the settings row. No behaviour depends on these values; they
// are kept because the settings are loaded whole.
struct Settings {
  int pl_shop = 0;
  int pl_kuai = 0;
  int pl_man = 0;
  bool tx_tc = false;
  bool tx_sy = false;
  bool tx_wx = false;
  bool tx_onlygz = false;
  std::string tx_wxkey;
};

}  // namespace dw
