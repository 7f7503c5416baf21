#include "store/sql_statement.h"

namespace dw {

SqlStatement::SqlStatement(Database& db, const char* sql) {
  if (!db.IsOpen() ||
      sqlite3_prepare_v2(db.Handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

bool SqlStatement::Bind(int index, std::int64_t value) {
  return stmt_ && sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
}

bool SqlStatement::Bind(int index, std::string_view text) {
  return stmt_ && sqlite3_bind_text(stmt_, index, text.data(),
                                    static_cast<int>(text.size()),
                                    SQLITE_TRANSIENT) == SQLITE_OK;
}

int SqlStatement::Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE; }

void SqlStatement::Reset() {
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t SqlStatement::Int(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

std::string SqlStatement::Text(int column) const {
  const auto* text =
      reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  if (!text) return std::string();
  return std::string(text, sqlite3_column_bytes(stmt_, column));
}

bool RunSql(Database& db, const char* sql) {
  return db.IsOpen() &&
         sqlite3_exec(db.Handle(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace dw
