// SQLite handles: a database (one connection) and a record set (one prepared
// statement with the row count of its last requery). Every failure is soft:
// false, 0 or an empty table, and both handles stay usable.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "runtime/array.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dw {

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  bool IsOpen() const { return db_ != nullptr; }
  sqlite3* Handle() const { return db_; }

 private:
  friend struct DatabaseAccess;
  sqlite3* db_ = nullptr;
  int busy_wait_ms_ = 0;  // what DbOpen or DbSetBusyWait set
};

class RecordSet {
 public:
  RecordSet() = default;
  ~RecordSet();
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;

  bool IsOpen() const { return stmt_ != nullptr; }

 private:
  friend struct DatabaseAccess;
  sqlite3_stmt* stmt_ = nullptr;
  int rows_ = 0;
};

// A value bound to a "?" of a statement, in order: text (GBK bytes, stored
// as they are), an integer, or NULL.
using SqlValue = std::variant<std::string, long long, std::nullptr_t>;
using SqlValues = std::vector<SqlValue>;

// Opens path, closing the database's connection first. The file is never
// created unless create is true; without create it must be an existing,
// readable file (not a folder). An empty path or ":memory:" (any case) opens
// an in-memory database, and only when create is true. Statements wait a few
// seconds for a lock held by another program before they fail.
bool DbOpen(Database& db, const std::string& path, bool create = false);

// Runs the statement(s), keeping no rows. Empty SQL or a closed database
// gives false.
bool DbExecute(Database& db, const std::string& sql);
// One statement with bound values, so nothing in a value can change it.
bool DbExecute(Database& db, const std::string& sql, const SqlValues& values);

// False only when the connection refuses to close (a statement is still
// open on it); it then stays open and usable.
bool DbClose(Database& db);

// The engine's own words for the connection's last failure ("database is
// locked", "file is not a database"); empty for a closed database.
std::string DbLastError(const Database& db);
// True when that failure was another connection holding the file: it may
// pass, unlike a damaged file.
bool DbLastFailureBusy(const Database& db);
// True while a transaction is open on the connection.
bool DbInTransaction(const Database& db);

// The longest work on the GUI thread waits for a lock another program
// holds: the windows never freeze on the database.
inline constexpr int kGuiBusyWaitMs = 100;

// How long statements on the connection wait for a lock another program
// holds before they fail; DbOpen sets a few seconds.
void DbSetBusyWait(Database& db, int wait_ms);

// While it lives, statements on the connection wait at most `wait_ms` in
// all for locks another program holds: one budget for the whole piece of
// work on the GUI thread, however many statements it runs. A wait made
// while another lives on the same thread (on any connection) shares what is
// left of the outer one's budget. The connection's own wait comes back at
// its end.
class ShortBusyWait {
 public:
  ShortBusyWait(Database& db, int wait_ms);
  ~ShortBusyWait();
  ShortBusyWait(const ShortBusyWait&) = delete;
  ShortBusyWait& operator=(const ShortBusyWait&) = delete;

 private:
  static int OnBusy(void* wait, int count);

  sqlite3* conn_;
  int own_wait_ms_;
  std::chrono::steady_clock::time_point deadline_;
  ShortBusyWait* outer_;
};

// A write transaction: BEGIN IMMEDIATE takes the write lock at its start,
// so a held database refuses it there, before anything was read or
// written. Rolled back at its end unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(Database& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  // False when it could not begin; the failure is the connection's last.
  bool Open() const { return open_; }
  // False when the commit failed; it is then rolled back at its end.
  bool Commit();

 private:
  Database& db_;
  bool open_;
};

// Prepares the first statement of sql on the database's connection,
// finalising whatever statement the record set held before.
bool RsOpen(RecordSet& rs, const std::string& sql, Database& db);
// The same with values bound to the statement's "?" in order; false (and the
// record set closed) when a value cannot be bound.
bool RsOpen(RecordSet& rs, const std::string& sql, Database& db,
            const SqlValues& values);

// Runs the whole statement, counting its rows, and returns to the first row.
// False without a statement or when the first step fails.
bool RsRequery(RecordSet& rs);

// The row count of the last requery, or 0.
int RsRowCount(const RecordSet& rs);

// The statement's number of result columns, or 0.
int RsColumnCount(const RecordSet& rs);

// A rows x columns table of texts (NULL gives empty text), with the column
// names as an extra first row when withNames is true. Without a statement
// or when the last requery counted no rows, an empty array. Rows that went
// missing since that requery stay empty; extra rows are left out. Requeries
// afterwards.
Array<std::string> RsAllRows(RecordSet& rs, bool withNames = false);

// Finalises the statement and forgets the row count.
bool RsClose(RecordSet& rs);

}  // namespace dw
