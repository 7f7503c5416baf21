// Rule health kept across restarts, in a table of our own beside the rules:
// one row per rule with its rounds failed in a row, when a post was last
// new, and the last run's report (without its posts and page text).
#pragma once

#include "collect/rule_health.h"
#include "runtime/database.h"

namespace dw {

inline constexpr char kHealthTable[] = "dw_rule_health";

// Writes the rule's health, creating the table when missing. False when
// nothing was written.
bool SaveRuleHealth(Database& db, int rule_id, const RuleHealth& health);

// Removes the rule's kept health (its rule was changed).
bool ForgetRuleHealth(Database& db, int rule_id);

// Every rule's kept health; empty without the table. Rows that cannot be
// read as health are skipped.
HealthBook LoadRuleHealth(Database& db);

}  // namespace dw
