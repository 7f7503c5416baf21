#include "runtime/database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

namespace dw {

// Long enough to ride out another program's brief hold on the file, short
// enough that a stop request is not kept waiting long.
constexpr int kBusyTimeoutMs = 3000;

struct DatabaseAccess {
  static sqlite3*& Connection(Database& db) { return db.db_; }
  static int& BusyWait(Database& db) { return db.busy_wait_ms_; }
  static sqlite3_stmt*& Statement(RecordSet& rs) { return rs.stmt_; }
  static sqlite3_stmt* Statement(const RecordSet& rs) { return rs.stmt_; }
  static int& Rows(RecordSet& rs) { return rs.rows_; }
  static int Rows(const RecordSet& rs) { return rs.rows_; }
};

namespace {

bool IsMemoryName(const std::string& path) {
  return path.empty() || strcasecmp(path.c_str(), ":memory:") == 0;
}

// An existing file that can be opened for reading; a folder is refused here
// because opening one for reading succeeds on this platform.
bool IsReadableFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  ::close(fd);
  return ok;
}

bool BindValues(sqlite3_stmt* stmt, const SqlValues& values) {
  if (static_cast<int>(values.size()) != sqlite3_bind_parameter_count(stmt))
    return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    int rc = SQLITE_OK;
    if (const auto* text = std::get_if<std::string>(&values[i])) {
      rc = sqlite3_bind_text(stmt, index, text->data(),
                             static_cast<int>(text->size()), SQLITE_TRANSIENT);
    } else if (const auto* number = std::get_if<long long>(&values[i])) {
      rc = sqlite3_bind_int64(stmt, index, *number);
    } else {
      rc = sqlite3_bind_null(stmt, index);
    }
    if (rc != SQLITE_OK) return false;
  }
  return true;
}

// Text of a cell up to its first zero byte, as program text never holds one.
std::string CellText(sqlite3_stmt* stmt, int column) {
  const auto* text =
      reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  if (!text) return std::string();
  return std::string(text, strnlen(text, sqlite3_column_bytes(stmt, column)));
}

bool OpenStatement(RecordSet& rs, const std::string& sql, Database& db,
                   const SqlValues* values) {
  RsClose(rs);
  sqlite3* conn = DatabaseAccess::Connection(db);
  if (!conn || sql.empty()) return false;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(conn, sql.c_str(), static_cast<int>(sql.size()), &stmt,
                         nullptr) != SQLITE_OK ||
      !stmt) {
    sqlite3_finalize(stmt);
    return false;
  }
  if (values && !BindValues(stmt, *values)) {
    sqlite3_finalize(stmt);
    return false;
  }
  DatabaseAccess::Statement(rs) = stmt;
  return true;
}

}  // namespace

Database::~Database() {
  // close_v2 defers the close while a record set still holds a statement,
  // so the handles can be released in either order.
  if (db_) sqlite3_close_v2(db_);
}

RecordSet::~RecordSet() {
  if (stmt_) sqlite3_finalize(stmt_);
}

bool DbOpen(Database& db, const std::string& path, bool create) {
  sqlite3*& conn = DatabaseAccess::Connection(db);
  if (conn) {
    sqlite3_close_v2(conn);
    conn = nullptr;
  }
  int flags = SQLITE_OPEN_READWRITE;
  std::string name = path;
  if (IsMemoryName(path)) {
    if (!create) return false;
    name = ":memory:";
    flags |= SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY;
  } else if (create) {
    flags |= SQLITE_OPEN_CREATE;
  } else if (!IsReadableFile(path)) {
    return false;
  }
  sqlite3* opened = nullptr;
  if (sqlite3_open_v2(name.c_str(), &opened, flags, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(opened);
    return false;
  }
  sqlite3_busy_timeout(opened, kBusyTimeoutMs);
  DatabaseAccess::BusyWait(db) = kBusyTimeoutMs;
  conn = opened;
  return true;
}

bool DbExecute(Database& db, const std::string& sql) {
  sqlite3* conn = DatabaseAccess::Connection(db);
  if (!conn || sql.empty()) return false;
  return sqlite3_exec(conn, sql.c_str(), nullptr, nullptr, nullptr) ==
         SQLITE_OK;
}

bool DbExecute(Database& db, const std::string& sql, const SqlValues& values) {
  RecordSet rs;
  if (!OpenStatement(rs, sql, db, &values)) return false;
  sqlite3_stmt* stmt = DatabaseAccess::Statement(rs);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  return rc == SQLITE_DONE;
}

bool DbClose(Database& db) {
  sqlite3*& conn = DatabaseAccess::Connection(db);
  if (!conn) return true;
  if (sqlite3_close(conn) != SQLITE_OK) return false;
  conn = nullptr;
  return true;
}

std::string DbLastError(const Database& db) {
  sqlite3* conn = db.Handle();
  return conn ? sqlite3_errmsg(conn) : std::string();
}

bool DbInTransaction(const Database& db) {
  return db.Handle() && sqlite3_get_autocommit(db.Handle()) == 0;
}

void DbSetBusyWait(Database& db, int wait_ms) {
  DatabaseAccess::BusyWait(db) = wait_ms;
  if (db.Handle()) sqlite3_busy_timeout(db.Handle(), wait_ms);
}

namespace {
// The innermost ShortBusyWait alive on this thread.
thread_local ShortBusyWait* innermost_wait = nullptr;
}  // namespace

ShortBusyWait::ShortBusyWait(Database& db, int wait_ms)
    : conn_(db.Handle()),
      own_wait_ms_(DatabaseAccess::BusyWait(db)),
      deadline_(std::chrono::steady_clock::now() +
                std::chrono::milliseconds(wait_ms)),
      outer_(innermost_wait) {
  if (outer_) deadline_ = std::min(deadline_, outer_->deadline_);
  innermost_wait = this;
  if (conn_) sqlite3_busy_handler(conn_, &ShortBusyWait::OnBusy, this);
}

ShortBusyWait::~ShortBusyWait() {
  innermost_wait = outer_;
  if (!conn_) return;
  // An enclosing wait on the same connection takes it back.
  for (ShortBusyWait* outer = outer_; outer; outer = outer->outer_) {
    if (outer->conn_ == conn_) {
      sqlite3_busy_handler(conn_, &ShortBusyWait::OnBusy, outer);
      return;
    }
  }
  sqlite3_busy_timeout(conn_, own_wait_ms_);
}

int ShortBusyWait::OnBusy(void* wait, int /*count*/) {
  const auto deadline = static_cast<ShortBusyWait*>(wait)->deadline_;
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return 0;
  std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
      left, std::chrono::milliseconds(2)));
  return 1;
}

WriteTransaction::WriteTransaction(Database& db)
    : db_(db), open_(DbExecute(db, "BEGIN IMMEDIATE")) {}

WriteTransaction::~WriteTransaction() {
  if (open_) DbExecute(db_, "ROLLBACK");
}

bool WriteTransaction::Commit() {
  if (open_ && DbExecute(db_, "COMMIT")) open_ = false;
  return !open_;
}

bool DbLastFailureBusy(const Database& db) {
  sqlite3* conn = db.Handle();
  if (!conn) return false;
  const int code = sqlite3_errcode(conn) & 0xFF;
  return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool RsOpen(RecordSet& rs, const std::string& sql, Database& db) {
  return OpenStatement(rs, sql, db, nullptr);
}

bool RsOpen(RecordSet& rs, const std::string& sql, Database& db,
            const SqlValues& values) {
  return OpenStatement(rs, sql, db, &values);
}

bool RsRequery(RecordSet& rs) {
  sqlite3_stmt* stmt = DatabaseAccess::Statement(rs);
  int& rows = DatabaseAccess::Rows(rs);
  if (!stmt) return false;
  sqlite3_reset(stmt);
  rows = 0;
  int rc = sqlite3_step(stmt);
  bool ok = rc == SQLITE_ROW || rc == SQLITE_DONE;
  while (rc == SQLITE_ROW) {
    ++rows;
    rc = sqlite3_step(stmt);
  }
  sqlite3_reset(stmt);
  return ok;
}

int RsRowCount(const RecordSet& rs) { return DatabaseAccess::Rows(rs); }

int RsColumnCount(const RecordSet& rs) {
  sqlite3_stmt* stmt = DatabaseAccess::Statement(rs);
  return stmt ? sqlite3_column_count(stmt) : 0;
}

Array<std::string> RsAllRows(RecordSet& rs, bool withNames) {
  sqlite3_stmt* stmt = DatabaseAccess::Statement(rs);
  const int rows = DatabaseAccess::Rows(rs);
  if (!stmt || rows == 0) return Array<std::string>();
  const int columns = sqlite3_column_count(stmt);
  const int first = withNames ? 2 : 1;
  Array<std::string> table(rows + first - 1, columns);
  if (columns == 0) return table;
  if (withNames) {
    for (int c = 1; c <= columns; ++c) {
      const char* name = sqlite3_column_name(stmt, c - 1);
      table(1, c) = name ? name : "";
    }
  }
  sqlite3_reset(stmt);
  for (int r = 0; r < rows && sqlite3_step(stmt) == SQLITE_ROW; ++r) {
    for (int c = 1; c <= columns; ++c)
      table(first + r, c) = CellText(stmt, c - 1);
  }
  RsRequery(rs);
  return table;
}

bool RsClose(RecordSet& rs) {
  sqlite3_stmt*& stmt = DatabaseAccess::Statement(rs);
  DatabaseAccess::Rows(rs) = 0;
  if (!stmt) return true;
  // A finalize reports the last step's error, which says nothing about the
  // finalize itself: the statement is released either way.
  sqlite3_finalize(stmt);
  stmt = nullptr;
  return true;
}

}  // namespace dw
