// Fills the history tables for `info` rows that lack them: rows stored
// before these tables existed, or by other programs.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/database.h"

namespace dw {

// Rows a catch-up indexes in one transaction: few enough that another
// program waits a blink, many enough that 200,000 posts take seconds.
inline constexpr int kCatchUpBatch = 20000;

struct CatchUpResult {
  std::int64_t added = 0;  // rows of info given their history entry
  // No row is left without one, nor an entry without its words in the
  // short-word index: that index may then be searched.
  bool all_indexed = false;
  // Why a batch was refused (SQLite's primary result code; SQLITE_OK when
  // none was): SQLITE_FULL for a full disk, SQLITE_BUSY for a held file,
  // SQLITE_CORRUPT for a damaged index.
  int refused = 0;
};

// Walks `info` by row id, `batch` ids at a time, one transaction each, so
// a collection storing posts meanwhile waits for one batch at most. Rows
// another program adds meanwhile are taken up as the walk reaches them.
// Fetch times come from `addtime` (see ParseAddTime, against `now`); one
// that cannot be read gives 0. Stops before the next batch when `stop`
// says so, or when a batch is refused (the database held elsewhere).
CatchUpResult CatchUpHistory(Database& db, const std::function<bool()>& stop,
                             int batch, std::int64_t now);

}  // namespace dw
