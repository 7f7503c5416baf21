// Looking up stored posts in the history tables, newest first.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "runtime/database.h"

namespace dw {

struct HistoryFilter {
  // UTF-8 words separated by white space, each somewhere in the title
  // (letters in any case). Words of three or more characters are looked up
  // in the trigram index when `use_index`; shorter ones by scan, or, when
  // every word is short and `pairs_complete` too, in the short-word index.
  std::string text;
  std::optional<std::int64_t> site_id;
  bool hits_only = false;
  // Fetch times in [from, to).
  std::int64_t from = std::numeric_limits<std::int64_t>::min();
  std::int64_t to = std::numeric_limits<std::int64_t>::max();
  bool use_index = true;
  // The short-word index holds every entry: a catch-up finished since it was
  // made (see CatchUpResult). Until then it may lack older posts.
  bool pairs_complete = false;
};

struct HistoryPost {
  std::int64_t id = 0;  // the row of `info`; newer posts have larger ids
  std::string site;     // GBK, as stored
  std::string title;    // UTF-8
  std::string link;     // GBK, as stored
  std::int64_t fetched_at = 0;
  bool hit = false;
};

// Up to `limit` matching posts with ids below `below_id`, newest first:
// the next page after a page that ended at `below_id`. Nothing when the
// database refused (held elsewhere, tables missing).
std::optional<std::vector<HistoryPost>> FindHistory(
    Database& db, const HistoryFilter& filter,
    std::int64_t below_id = std::numeric_limits<std::int64_t>::max(),
    int limit = 100);

// How many posts match; nothing when the database refused.
std::optional<std::int64_t> CountHistory(Database& db,
                                         const HistoryFilter& filter);

struct HistorySite {
  std::int64_t id = 0;
  std::string name;  // GBK
};

// Every site that has stored posts, by name; rules since deleted included.
std::vector<HistorySite> HistorySites(Database& db);

}  // namespace dw
