// A rule row whole, every column, as the rule tools, the rules window and
// the import read and write it. Text is GBK, as stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/database.h"

namespace dw {

// The columns of `rule` in table order; export keys and editor fields use
// these names.
inline constexpr const char* kRuleColumns[] = {
    "id",  "isdo",   "rank",  "isgbk",  "type",    "name",   "url",   "cookie",
    "reg", "before", "after", "tindex", "idindex", "pinurl", "lastid"};

struct RuleRow {
  std::int64_t id = 0;
  std::string isdo = "1";
  std::int64_t rank = 0;
  std::string isgbk = "0";
  std::int64_t type = 0;
  std::string name;
  std::string url;
  std::string cookie;
  std::string reg;
  std::string before;
  std::string after;
  std::int64_t tindex = 0;
  std::int64_t idindex = 0;
  std::string pinurl;
  std::int64_t lastid = 0;
};

// Every row of `rule` (isdo 3 too), ordered by id; empty when the
// statement fails.
std::vector<RuleRow> LoadRuleRows(Database& db);

// Inserts or replaces each row by id, all in one transaction: false, and
// nothing written, when any statement fails.
bool SaveRuleRows(Database& db, const std::vector<RuleRow>& rows);

// Removes the row with this id; false when the statement fails.
bool DeleteRuleRow(Database& db, std::int64_t id);

// One thing wrong with a rule: `column` names the field (one of
// kRuleColumns); a warning does not stop a save or an import.
struct RuleProblem {
  std::string column;
  std::string message;  // UTF-8, shown as it is
  bool warning = false;
};

// The checks the import and the rules window both make. Text is GBK here;
// the import reports text that cannot be written in GBK itself, before it
// builds the row.
std::vector<RuleProblem> CheckRule(const RuleRow& row);

}  // namespace dw
