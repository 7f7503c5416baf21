// A rule row whole, every column, as the rule tools, the rules window and
// the import read and write it. Text is GBK, as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/database.h"
#include "store/rule_table.h"

namespace dw {

// The columns of `rule` in table order; export keys and editor fields use
// these names.
inline constexpr const char* kRuleColumns[] = {
    "id",  "isdo",   "rank",  "isgbk",  "type",    "name",   "url",   "cookie",
    "reg", "before", "after", "tindex", "idindex", "pinurl", "lastid"};

// The columns declared INTEGER besides `id`. SQLite keeps in them whatever
// it cannot read as a number as text (and a fraction as a real number), and
// the program reads every cell as text anyway, so RuleRow holds them as the
// text of the stored value: an integer as its decimal digits ("90"), a real
// number in its shortest exact form ("1.5"), text as it is. A save writes
// decimal digits back as an integer and anything else as text, which SQLite
// turns into the same stored value again: load then save changes no byte.
inline constexpr const char* kRuleIntegerColumns[] = {"rank", "type", "tindex",
                                                      "idindex", "lastid"};

struct RuleRow {
  std::int64_t id = 0;
  std::string isdo = "1";
  std::string rank = "0";
  std::string isgbk = "0";
  std::string type = "0";
  std::string name;
  std::string url;
  std::string cookie;
  std::string reg;
  std::string before;
  std::string after;
  std::string tindex = "0";
  std::string idindex = "0";
  std::string pinurl;
  std::string lastid = "0";
  // Settings of our own, not columns of `rule` (store/rule_settings.h).
  bool json_strings = false;
  // Titles are plain text (a JSON Feed's): no markup, no entities.
  bool plain_titles = false;
  // The page's charset when it is neither UTF-8 nor GBK ("iso-8859-1");
  // empty: `isgbk` decides.
  std::string charset;
  bool ignore_cert_errors = false;
  // Minutes that must pass between two runs of the rule; 0: every round.
  int interval_minutes = 0;

  bool operator==(const RuleRow&) const = default;
};

// The cell of `row` named `column` (one of kRuleColumns besides "id");
// nullptr for any other name.
std::string* RuleRowCell(RuleRow& row, const std::string& column);
const std::string* RuleRowCell(const RuleRow& row, const std::string& column);

// The loaded row of `rule_id` (which must satisfy RuleTable::HasRow) as a
// whole row; the table's cells follow kRuleColumns' order.
RuleRow RuleRowOfTable(const RuleTable& table, int rule_id);

// True for `column` among kRuleIntegerColumns.
bool IsRuleIntegerColumn(const std::string& column);

// True when `text` is an integer written the way SQLite gives one back:
// decimal digits, an optional minus, no leading zero, within 64 bits.
bool IsIntegerText(const std::string& text);

// Every row of `rule` (isdo 3 too), ordered by id and then by the order
// they were stored, each with its settings; empty when a statement fails,
// and then `ok`, when given, is set false.
std::vector<RuleRow> LoadRuleRows(Database& db, bool* ok = nullptr);

// The rows of `rule` with this id, in the order they were stored; empty
// when the statement fails, and then `ok`, when given, is set false.
std::vector<RuleRow> LoadRuleRowsWithId(Database& db, std::int64_t id,
                                        bool* ok = nullptr);

// Inserts or replaces each row by id, with its settings, all in one
// transaction: every row already stored under one of the ids goes, then
// the rows are inserted in order. False, and nothing written, when any
// statement fails. Within a transaction the caller began, the rows become
// part of it.
bool SaveRuleRows(Database& db, const std::vector<RuleRow>& rows);

// Removes the rows with this id and their settings, both or neither;
// false when a statement fails.
bool DeleteRuleRow(Database& db, std::int64_t id);

// The lowest rule id no row uses; 0 when all are taken.
std::int64_t LowestFreeRuleId(const std::vector<RuleRow>& rows);
// The id a new, copied, learned or imported rule gets unless the user
// chooses: the lowest free one from kFirstNewRuleId on, else the lowest
// free one without a site clean-up (which a rule written from the page
// would not expect); 0 when none is left.
std::int64_t NewRuleId(const std::vector<RuleRow>& rows);

}  // namespace dw
