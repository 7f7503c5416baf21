// The editor's fields: one per column of `rule` and one per setting of our
// own, each with its Chinese label and a line of help, and the conversion
// between a rule row and the texts of the fields.
#pragma once

#include <QString>
#include <map>
#include <string>
#include <vector>

#include "store/rule_checks.h"
#include "store/rule_row.h"

namespace dw {

struct RuleField {
  const char* column;  // the field's objectName
  const char* label;   // UTF-8
  const char* help;    // UTF-8, one line
};

// In table order, as kRuleColumns, with each setting beside the column it
// bears on.
const std::vector<RuleField>& RuleFields();

using FieldTexts = std::map<std::string, QString>;  // by column

FieldTexts RowToTexts(const RuleRow& row);

// The row the texts describe. Problems, one per field, for an id that is
// no integer and for text that GBK cannot hold; such fields keep their
// default in the row. Every other check is CheckRule's.
RuleRow TextsToRow(const FieldTexts& texts, std::vector<RuleProblem>* problems);

// The id field's help line: the id range, then what the clean-up of `id`
// does before matching, step by step, read from the clean-up itself.
QString IdHelpText(std::int64_t id);

// A problem found by CheckRule in the editor's words; a message it does not
// know is shown as it stands.
QString ProblemText(const RuleProblem& problem);

// The columns and settings in which two rows differ, in the fields' order.
std::vector<std::string> DifferingColumns(const RuleRow& a, const RuleRow& b);

}  // namespace dw
