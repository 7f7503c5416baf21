#include "store/history_catch_up.h"

#include <optional>
#include <vector>

#include "store/post_history.h"
#include "store/post_time.h"
#include "store/sql_statement.h"

namespace dw {
namespace {

// The next rows after `after` that lack an entry; nothing when refused.
// Read outside the write transaction: the walk over rows already done must
// not keep a collection from storing.
std::optional<std::vector<HistoryEntry>> MissingRows(Database& db,
                                                     std::int64_t after,
                                                     int batch,
                                                     std::int64_t now) {
  SqlStatement missing(
      db,
      "SELECT i.rowid, i.planname, i.title, i.addtime, i.zt FROM info i "
      "WHERE i.rowid > ? AND NOT EXISTS "
      "(SELECT 1 FROM dw_post p WHERE p.info_id = i.rowid) "
      "ORDER BY i.rowid LIMIT ?");
  if (!missing.Bind(1, after) || !missing.Bind(2, std::int64_t{batch})) {
    return std::nullopt;
  }
  std::vector<HistoryEntry> rows;
  int step;
  while ((step = missing.Step()) == SQLITE_ROW) {
    HistoryEntry& entry = rows.emplace_back();
    entry.info_id = missing.Int(0);
    entry.site = missing.Text(1);
    entry.title = missing.Text(2);
    entry.fetched_at = ParseAddTime(missing.Text(3), now).value_or(0);
    entry.hit = missing.Int(4) != 0;
  }
  if (step != SQLITE_DONE) return std::nullopt;
  return rows;
}

// Writes the entries in one transaction, all or none.
bool WriteEntries(Database& db, const std::vector<HistoryEntry>& entries) {
  if (!RunSql(db, "BEGIN IMMEDIATE")) return false;
  bool ok = true;
  {
    HistoryWriter writer(db);
    for (const HistoryEntry& entry : entries) {
      if (!(ok = writer.Add(entry))) break;
    }
  }
  if (ok && RunSql(db, "COMMIT")) return true;
  RunSql(db, "ROLLBACK");
  return false;
}

}  // namespace

CatchUpResult CatchUpHistory(Database& db, const std::function<bool()>& stop,
                             int batch, std::int64_t now) {
  CatchUpResult result;
  std::int64_t after = 0;
  while (!(stop && stop())) {
    const auto rows = MissingRows(db, after, batch, now);
    if (!rows) break;
    if (rows->empty()) {
      result.finished = true;
      break;
    }
    if (!WriteEntries(db, *rows)) break;
    result.added += static_cast<std::int64_t>(rows->size());
    after = rows->back().info_id;
  }
  return result;
}

}  // namespace dw
