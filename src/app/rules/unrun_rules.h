// Rules in the file that the collection does not run because they exceed
// the checker's limits (written by another program, not by the import).
#pragma once

#include <QString>
#include <vector>

#include "store/rule_row.h"

namespace dw {

// "规则 3 没有运行：名称…" per such rule, a line each; empty when none.
QString UnrunRulesNote(const std::vector<RuleRow>& rows);

}  // namespace dw
