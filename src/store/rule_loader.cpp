#include "store/rule_loader.h"

#include <string>

#include "runtime/convert.h"
#include "runtime/text_ops.h"
#include "store/access.h"
#include "store/statements.h"

namespace dw {
namespace {

// All rows of a loader's statement as texts, and its column count; the
// record set is closed again.
struct QueryTable {
  Array<std::string> rows;
  int columns = 0;
};

QueryTable ReadAll(Database& database, RecordSet& record_set,
                   const std::string& sql) {
  RunQuery(record_set, database, sql);
  QueryTable table{RsAllRows(record_set, false), RsColumnCount(record_set)};
  CloseQuery(record_set);
  return table;
}

}  // namespace

void LoadRules(Database& database, RecordSet& record_set, RuleTable& table,
               RuleTree& tree) {
  const auto [rows, columns] = ReadAll(database, record_set, kRuleStatement);

  tree.ClearRuleTree();
  for (int r = 1; r <= rows.Rows(); ++r) {
    const int rule_id = ToInteger(rows(r, 1));
    if (!RuleTable::HasRow(rule_id)) continue;
    for (int j = 2; j <= columns && j - 1 <= RuleTable::kCells; ++j) {
      table.Cell(rule_id, j - 1) = rows(r, j);
    }
    const bool ticked = table.Cell(rule_id, kRuleIsdo) == "1";
    tree.AddRuleTreeItem(table.Cell(rule_id, kRuleName), rule_id,
                         ticked ? 1 : 0);
  }
}

void LoadSettings(Database& database, RecordSet& record_set, Settings& settings,
                  KeywordList& keywords) {
  const auto [rows, columns] =
      ReadAll(database, record_set, kSettingsStatement);

  keywords.clear();
  if (rows.Rows() < 1 || columns < 9) return;
  keywords = SplitText(rows(1, 1), "\r\n");
  settings.pl_shop = ToInteger(rows(1, 2));
  settings.pl_kuai = ToInteger(rows(1, 3));
  settings.pl_man = ToInteger(rows(1, 4));
  settings.tx_tc = rows(1, 5) == "1";
  settings.tx_sy = rows(1, 6) == "1";
  settings.tx_wx = rows(1, 7) == "1";
  settings.tx_onlygz = rows(1, 8) == "1";
  settings.tx_wxkey = rows(1, 9);
}

}  // namespace dw
