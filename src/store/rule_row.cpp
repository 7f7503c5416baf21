#include "store/rule_row.h"

#include <sqlite3.h>

#include <charconv>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "store/rule_settings.h"
#include "text/site_cleanup.h"

namespace dw {
namespace {

// Columns quoted where SQL needs it ("before" and "after" are keywords).
const char kSelectRows[] =
    "SELECT id,isdo,rank,isgbk,type,name,url,cookie,reg,\"before\",\"after\","
    "tindex,idindex,pinurl,lastid FROM rule ORDER BY id,rowid";
const char kSelectRowsWithId[] =
    "SELECT id,isdo,rank,isgbk,type,name,url,cookie,reg,\"before\",\"after\","
    "tindex,idindex,pinurl,lastid FROM rule WHERE id=? ORDER BY rowid";
const char kInsertRow[] =
    "INSERT INTO rule(id,isdo,rank,isgbk,type,name,url,cookie,reg,\"before\","
    "\"after\",tindex,idindex,pinurl,lastid) "
    "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
const char kDeleteRow[] = "DELETE FROM rule WHERE id=?";

struct StatementDeleter {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// The cells of a row in kRuleColumns' order, "id" left out: found without
// comparing names, as a table may hold hundreds of thousands of rows.
constexpr std::string RuleRow::*kCells[] = {
    &RuleRow::isdo,   &RuleRow::rank,  &RuleRow::isgbk,  &RuleRow::type,
    &RuleRow::name,   &RuleRow::url,   &RuleRow::cookie, &RuleRow::reg,
    &RuleRow::before, &RuleRow::after, &RuleRow::tindex, &RuleRow::idindex,
    &RuleRow::pinurl, &RuleRow::lastid};
static_assert(std::size(kCells) + 1 == std::size(kRuleColumns));

// The stored value as RuleRow holds it (see kRuleIntegerColumns).
std::string StoredText(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: {
      char buffer[32];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                        sqlite3_column_double(stmt, column));
      return std::string(buffer, result.ptr);
    }
    case SQLITE_NULL:
      return std::string();
    default: {
      const void* bytes = sqlite3_column_blob(stmt, column);
      const int size = sqlite3_column_bytes(stmt, column);
      return bytes ? std::string(static_cast<const char*>(bytes), size)
                   : std::string();
    }
  }
}

SqlValue CellValue(const std::string& column, const std::string& text) {
  if (IsRuleIntegerColumn(column) && IsIntegerText(text)) {
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }
  return text;
}

bool InsertRow(Database& db, const RuleRow& row) {
  SqlValues values{static_cast<long long>(row.id)};
  for (const char* column : kRuleColumns) {
    if (const std::string* cell = RuleRowCell(row, column)) {
      values.push_back(CellValue(column, *cell));
    }
  }
  return DbExecute(db, kInsertRow, values);
}

// The lowest id from `first` on that no row uses and that passes `take`;
// 0 when none is left.
template <typename Take>
std::int64_t LowestFreeId(const std::vector<RuleRow>& rows, int first,
                          Take take) {
  // One pass, whatever the table holds.
  std::vector<bool> used(kLastRuleId + 1);
  for (const RuleRow& row : rows) {
    if (row.id >= kFirstRuleId && row.id <= kLastRuleId) used[row.id] = true;
  }
  for (int id = first; id <= kLastRuleId; ++id) {
    if (!used[id] && take(id)) return id;
  }
  return 0;
}

// A rule and its settings are written together: in a transaction of its
// own or, inside the caller's, a savepoint of its own, so that what the
// caller checked before and this write commit together.
enum class Write { kRefused, kOwn, kNested };

Write BeginWrite(Database& db) {
  if (DbInTransaction(db)) {
    return DbExecute(db, "SAVEPOINT rule_rows") ? Write::kNested
                                                : Write::kRefused;
  }
  return DbExecute(db, "BEGIN IMMEDIATE") ? Write::kOwn : Write::kRefused;
}

bool EndWrite(Database& db, Write write, bool ok) {
  const bool nested = write == Write::kNested;
  if (ok && DbExecute(db, nested ? "RELEASE rule_rows" : "COMMIT")) {
    return true;
  }
  DbExecute(db, nested ? "ROLLBACK TO rule_rows" : "ROLLBACK");
  if (nested) DbExecute(db, "RELEASE rule_rows");
  return false;
}

// The rows `sql` selects, with `id` bound to its one "?" when given.
std::vector<RuleRow> LoadRows(Database& db, const char* sql,
                              std::optional<std::int64_t> id, bool* ok) {
  std::vector<RuleRow> rows;
  if (ok) *ok = false;
  sqlite3_stmt* raw = nullptr;
  if (!db.IsOpen() ||
      sqlite3_prepare_v2(db.Handle(), sql, -1, &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    return rows;
  }
  Statement stmt(raw);
  if (id) sqlite3_bind_int64(raw, 1, *id);
  int rc = SQLITE_ROW;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    RuleRow row;
    // Only an integer is an id: a fraction read as an integer would pass
    // for a neighbouring rule's id.
    row.id = sqlite3_column_type(stmt.get(), 0) == SQLITE_INTEGER
                 ? sqlite3_column_int64(stmt.get(), 0)
                 : 0;
    for (int c = 1; c < static_cast<int>(std::size(kRuleColumns)); ++c) {
      row.*kCells[c - 1] = StoredText(stmt.get(), c);
    }
    rows.push_back(std::move(row));
  }
  bool settings_read = false;
  const auto settings = rc == SQLITE_DONE
                            ? LoadRuleSettings(db, &settings_read)
                            : std::map<std::int64_t, RuleSettingTexts>();
  if (!settings_read) {
    rows.clear();
    return rows;
  }
  for (RuleRow& row : rows) {
    const auto found = settings.find(row.id);
    if (found != settings.end()) ApplyRuleSettings(found->second, row);
  }
  if (ok) *ok = true;
  return rows;
}

}  // namespace

std::int64_t LowestFreeRuleId(const std::vector<RuleRow>& rows) {
  return LowestFreeId(rows, kFirstRuleId, [](int) { return true; });
}

std::int64_t NewRuleId(const std::vector<RuleRow>& rows) {
  if (const std::int64_t id =
          LowestFreeId(rows, kFirstNewRuleId, [](int) { return true; })) {
    return id;
  }
  return LowestFreeId(rows, kFirstRuleId,
                      [](int id) { return !HasSiteCleanUp(id); });
}

std::string* RuleRowCell(RuleRow& row, const std::string& column) {
  return const_cast<std::string*>(
      RuleRowCell(static_cast<const RuleRow&>(row), column));
}

const std::string* RuleRowCell(const RuleRow& row, const std::string& column) {
  for (std::size_t c = 0; c < std::size(kCells); ++c) {
    if (column == kRuleColumns[c + 1]) return &(row.*kCells[c]);
  }
  return nullptr;
}

RuleRow RuleRowOfTable(const RuleTable& table, int rule_id) {
  RuleRow row;
  row.id = rule_id;
  for (int cell = kRuleIsdo; cell <= kRuleLastid; ++cell) {
    *RuleRowCell(row, kRuleColumns[cell]) = table.Cell(rule_id, cell);
  }
  ApplyRuleSettings(table.RuleSettings(rule_id), row);
  return row;
}

bool IsRuleIntegerColumn(const std::string& column) {
  for (const char* name : kRuleIntegerColumns) {
    if (column == name) return true;
  }
  return false;
}

bool IsIntegerText(const std::string& text) {
  long long value = 0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
         std::to_string(value) == text;
}

std::vector<RuleRow> LoadRuleRows(Database& db, bool* ok) {
  return LoadRows(db, kSelectRows, std::nullopt, ok);
}

std::vector<RuleRow> LoadRuleRowsWithId(Database& db, std::int64_t id,
                                        bool* ok) {
  return LoadRows(db, kSelectRowsWithId, id, ok);
}

bool SaveRuleRows(Database& db, const std::vector<RuleRow>& rows) {
  const Write write = BeginWrite(db);
  if (write == Write::kRefused) return false;
  std::set<std::int64_t> ids;
  for (const RuleRow& row : rows) ids.insert(row.id);
  bool ok = true;
  for (std::int64_t id : ids) {
    ok = ok && DbExecute(db, kDeleteRow, {static_cast<long long>(id)});
  }
  for (const RuleRow& row : rows) ok = ok && InsertRow(db, row);
  ok = ok && SaveRuleSettings(db, rows);
  return EndWrite(db, write, ok);
}

bool DeleteRuleRow(Database& db, std::int64_t id) {
  const Write write = BeginWrite(db);
  if (write == Write::kRefused) return false;
  const bool ok = DbExecute(db, kDeleteRow, {static_cast<long long>(id)}) &&
                  DeleteRuleSettings(db, id);
  return EndWrite(db, write, ok);
}

}  // namespace dw
