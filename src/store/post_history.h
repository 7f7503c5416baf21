// Tables of our own that keep every stored post at hand: per `info` row
// its title in UTF-8, its fetch time as a timestamp, its site and keyword
// mark (dw_post), the sites by name (dw_post_site), a trigram index over
// the titles (dw_post_search) that finds any run of three or more
// characters, and an index of the characters side by side (dw_post_pairs,
// see TitlePairs) for shorter words. `info` itself is never altered.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/database.h"

namespace dw {

struct HistorySetUp {
  bool tables = false;        // dw_post and dw_post_site are usable
  bool search_index = false;  // and so are both indexes
  std::string problem;        // why not, for the user (UTF-8)
};

// Creates the tables and the index when missing. Without the full-text
// module or its trigram tokenizer the tables still serve, searched by scan.
HistorySetUp PrepareHistory(Database& db);

// What our tables keep of one `info` row.
struct HistoryEntry {
  std::int64_t info_id = 0;
  std::string site;   // planname, GBK
  std::string title;  // GBK
  std::int64_t fetched_at = 0;
  bool hit = false;
};

// Whether the file has the index of short words (see TitlePairs): a file
// made by an older version, or a SQLite without full-text search, lacks it.
bool HasShortWordIndex(Database& db);

// Adds our rows for an `info` row: all of them or, when any is refused,
// none. Part of the caller's transaction when one is open. An entry already
// there is left as it is. `damaged`, when given, is set when an index was
// found damaged: the engine then rolled back the whole transaction.
bool AddHistoryEntry(Database& db, const HistoryEntry& entry,
                     bool* damaged = nullptr);

// When another program reuses row numbers (an `info` without
// AUTOINCREMENT, rows deleted by hand), our entry of a row may describe
// the post it held before. Removes the entry of `info_id` and its words
// when its title is not `title` (UTF-8); true when nothing was refused.
bool DropStaleEntry(Database& db, std::int64_t info_id,
                    const std::string& title);

// True when the connection's last error says the file or an index in it is
// damaged.
bool LastErrorIsDamage(Database& db);

}  // namespace dw
