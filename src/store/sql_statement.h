// One prepared statement on a connection, for the store's own tables, read
// column by column with their types. Every failure is soft.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/database.h"

namespace dw {

class SqlStatement {
 public:
  SqlStatement(Database& db, const char* sql);
  ~SqlStatement() { sqlite3_finalize(stmt_); }
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  bool Ok() const { return stmt_ != nullptr; }

  // Binds from 1 up; false when the statement is not prepared or refuses.
  bool Bind(int index, std::int64_t value);
  bool Bind(int index, std::string_view text);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  // True when a step ran the statement to its end.
  bool Run() { return Step() == SQLITE_DONE; }
  // Ready for the next run with new values.
  void Reset();

  std::int64_t Int(int column) const;
  std::string Text(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Runs a statement without values, keeping no rows.
bool RunSql(Database& db, const char* sql);

}  // namespace dw
