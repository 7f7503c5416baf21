#pragma once

#include "runtime/database.h"
#include "store/rule_table.h"
#include "store/rule_tree.h"

namespace dw {

// Copies the rules and their settings out of the database into `table` and
// lists them in `tree`, highest rank first, ticked when `isdo` is exactly
// "1". A row whose id is no rule id (RuleIdOf) is left out, and of rows
// sharing an id only the first by rank is taken, so each id runs once a
// round. A failing statement changes nothing and gives false.
bool LoadRules(Database& database, RecordSet& record_set, RuleTable& table,
               RuleTree& tree);

// Reads the first settings row: the keywords one per CR LF line, and the
// rest of the record. An empty table empties the keyword list and leaves
// the record as it was; a failing statement changes nothing and gives
// false.
bool LoadSettings(Database& database, RecordSet& record_set, Settings& settings,
                  KeywordList& keywords);

}  // namespace dw
