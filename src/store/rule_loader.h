#pragma once

#include "runtime/database.h"
#include "store/rule_table.h"
#include "store/rule_tree.h"

namespace dw {

// Copies the rules out of the database into `table` and lists them in
// `tree`, highest rank first, ticked when `isdo` is exactly "1". A rule whose
// id has no row in the table is left out, with nothing else changed. A failing
// statement leaves the tree empty.
void LoadRules(Database& database, RecordSet& record_set, RuleTable& table,
               RuleTree& tree);

// Reads the first settings row: the keywords one per CR LF line, and the
// rest of the record. Without a row (a failing statement, an empty table)
// the keyword list is emptied and the record left as it was.
void LoadSettings(Database& database, RecordSet& record_set, Settings& settings,
                  KeywordList& keywords);

}  // namespace dw
