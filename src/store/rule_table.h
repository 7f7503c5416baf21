#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

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

// Rule ids run from 1 to 9999, one row of the loaded table each. Ids 1 to
// 18 are the first table's; the site clean-ups stay tied to some of them,
// and every id above it has none, so a new rule starts there.
inline constexpr int kFirstRuleId = 1;
inline constexpr int kLastRuleId = 9999;
inline constexpr int kFirstNewRuleId = 19;

// A rule's settings of our own (store/rule_settings.h) by name, values as
// stored.
using RuleSettingTexts = std::map<std::string, std::string>;

// The loaded rules: one row of text cells per rule id, exactly as the
// database returned them. Only ids in use hold a row; the others read as
// empty cells, so that a table of thousands of ids costs what its rules do.
class RuleTable {
 public:
  static constexpr int kCells = 23;

  static bool HasRow(int rule_id) {
    return rule_id >= kFirstRuleId && rule_id <= kLastRuleId;
  }

  // `rule_id` must satisfy HasRow and `cell` lie in 1..kCells. Writing a
  // cell gives the id a row.
  std::string& Cell(int rule_id, int cell);
  const std::string& Cell(int rule_id, int cell) const;

  bool Holds(int rule_id) const { return rows_.contains(rule_id); }
  // The ids that hold a row, ascending.
  std::vector<int> Ids() const;

  // The rule's settings beside its cells; none kept reads as empty.
  RuleSettingTexts& RuleSettings(int rule_id) { return settings_[rule_id]; }
  const RuleSettingTexts& RuleSettings(int rule_id) const;

 private:
  std::map<int, std::array<std::string, kCells>> rows_;
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
