#include "store/history_catch_up.h"

#include <optional>
#include <vector>

#include "store/post_history.h"
#include "store/post_time.h"
#include "store/sql_statement.h"

namespace dw {
namespace {

// Row ids looked through by one statement, so that a stop request is
// heard soon even where every row already has its entry.
constexpr std::int64_t kWindow = 50000;

// The rows with ids in (after, after + kWindow] that lack an entry, at most
// `batch`; nothing when refused. Read outside the write transaction: the
// walk over rows already done must not keep a collection from storing.
std::optional<std::vector<HistoryEntry>> MissingRows(Database& db,
                                                     std::int64_t after,
                                                     int batch,
                                                     std::int64_t now) {
  SqlStatement missing(
      db,
      "SELECT i.rowid, i.planname, i.title, i.addtime, i.zt FROM info i "
      "WHERE i.rowid > ?1 AND i.rowid <= ?1 + ?2 AND NOT EXISTS "
      "(SELECT 1 FROM dw_post p WHERE p.info_id = i.rowid) "
      "ORDER BY i.rowid LIMIT ?3");
  if (!missing.Bind(1, after) || !missing.Bind(2, kWindow) ||
      !missing.Bind(3, std::int64_t{batch})) {
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
  if (entries.empty()) return true;
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
    // Read again each time: rows other programs add are walked too.
    SqlStatement last(db, "SELECT max(rowid) FROM info");
    if (last.Step() != SQLITE_ROW) break;
    if (after >= last.Int(0)) {
      result.finished = true;
      break;
    }
    const auto rows = MissingRows(db, after, batch, now);
    if (!rows || !WriteEntries(db, *rows)) break;
    result.added += static_cast<std::int64_t>(rows->size());
    // A full batch may have left rows of the window behind it.
    after = static_cast<int>(rows->size()) == batch ? rows->back().info_id
                                                    : after + kWindow;
  }
  return result;
}

}  // namespace dw
