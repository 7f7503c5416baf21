#include "store/rule_loader.h"

#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "runtime/convert.h"
#include "runtime/text_ops.h"
#include "store/access.h"
#include "store/rule_id.h"
#include "store/rule_checks.h"
#include "store/rule_row.h"
#include "store/rule_settings.h"
#include "store/statements.h"

namespace dw {
namespace {

// All rows of a loader's statement as texts, and its column count; the
// record set is closed again. `ok` is false when the statement failed.
struct QueryTable {
  Array<std::string> rows;
  int columns = 0;
  bool ok = false;
};

QueryTable ReadAll(Database& database, RecordSet& record_set,
                   const std::string& sql) {
  QueryTable table;
  table.ok = RsOpen(record_set, sql, database) && RsRequery(record_set);
  if (table.ok) {
    table.rows = RsAllRows(record_set, false);
    table.columns = RsColumnCount(record_set);
  }
  CloseQuery(record_set);
  return table;
}

// A row written past the checker's limits by another program is not run: a
// name of megabytes would be copied into every post, the log and the
// windows. The rules window names it with the reason.
bool OverLimits(const Array<std::string>& rows, int r, int columns) {
  RuleRow row;
  std::string* cells[] = {&row.isdo,   &row.rank,  &row.isgbk,  &row.type,
                          &row.name,   &row.url,   &row.cookie, &row.reg,
                          &row.before, &row.after, &row.tindex, &row.idindex,
                          &row.pinurl, &row.lastid};
  for (int j = 2; j <= columns && j - 2 < static_cast<int>(std::size(cells));
       ++j) {
    *cells[j - 2] = rows(r, j);
  }
  return !CheckRuleLimits(row).empty();
}

}  // namespace

bool LoadRules(Database& database, RecordSet& record_set, RuleTable& table,
               RuleTree& tree) {
  const auto [rows, columns, ok] =
      ReadAll(database, record_set, kRuleStatement);
  if (!ok) return false;
  bool settings_read = false;
  const auto settings = LoadRuleSettings(database, &settings_read);
  if (!settings_read) return false;

  tree.ClearRuleTree();
  RuleTable loaded;
  std::set<int> taken;
  for (int r = 1; r <= rows.Rows(); ++r) {
    const std::optional<int> rule_id = RuleIdOf(rows(r, 1));
    if (!rule_id || !taken.insert(*rule_id).second) continue;
    if (OverLimits(rows, r, columns)) continue;
    for (int j = 2; j <= columns && j - 1 <= RuleTable::kCells; ++j) {
      loaded.Cell(*rule_id, j - 1) = rows(r, j);
    }
    if (const auto found = settings.find(*rule_id); found != settings.end()) {
      loaded.RuleSettings(*rule_id) = found->second;
    }
    const bool ticked = loaded.Cell(*rule_id, kRuleIsdo) == "1";
    tree.AddRuleTreeItem(loaded.Cell(*rule_id, kRuleName), *rule_id,
                         ticked ? 1 : 0);
  }
  table = std::move(loaded);
  return true;
}

bool LoadSettings(Database& database, RecordSet& record_set, Settings& settings,
                  KeywordList& keywords) {
  const auto [rows, columns, ok] =
      ReadAll(database, record_set, kSettingsStatement);
  if (!ok) return false;

  keywords.clear();
  if (rows.Rows() < 1 || columns < 9) return true;
  keywords = SplitText(rows(1, 1), "\r\n");
  settings.pl_shop = ToInteger(rows(1, 2));
  settings.pl_kuai = ToInteger(rows(1, 3));
  settings.pl_man = ToInteger(rows(1, 4));
  settings.tx_tc = rows(1, 5) == "1";
  settings.tx_sy = rows(1, 6) == "1";
  settings.tx_wx = rows(1, 7) == "1";
  settings.tx_onlygz = rows(1, 8) == "1";
  settings.tx_wxkey = rows(1, 9);
  return true;
}

}  // namespace dw
