#include <sqlite3.h>

#include <cstdint>
#include <ostream>

#include "app/cli/probe_tool.h"
#include "store/history_catch_up.h"
#include "store/history_search.h"
#include "store/post_history.h"
#include "store/post_time.h"
#include "store/sql_statement.h"

namespace dw {
namespace {

constexpr int kShown = 100;

std::string TimeOrEmpty(std::int64_t fetched_at) {
  return fetched_at != 0 ? IsoLocalTime(fetched_at) : std::string();
}

void PrintJson(const std::vector<HistoryPost>& posts, std::int64_t total,
               std::ostream& out) {
  out << "{\"total\": " << total << ", \"posts\": [";
  for (size_t i = 0; i < posts.size(); ++i) {
    const HistoryPost& post = posts[i];
    out << (i ? ", " : "") << "{\"site\": " << JsonString(ShowUtf8(post.site))
        << ", \"title\": " << JsonString(post.title)
        << ", \"link\": " << JsonString(ShowUtf8(post.link)) << ", \"time\": "
        << (post.fetched_at != 0 ? JsonString(IsoLocalTime(post.fetched_at))
                                 : "null")
        << ", \"hit\": " << (post.hit ? "true" : "false") << "}";
  }
  out << "]}\n";
}

void PrintText(const std::vector<HistoryPost>& posts, std::int64_t total,
               std::ostream& out) {
  for (const HistoryPost& post : posts) {
    out << TimeOrEmpty(post.fetched_at) << "\t" << ShowUtf8(post.site) << "\t"
        << post.title << "\t" << ShowUtf8(post.link) << "\t"
        << (post.hit ? "hit" : "-") << "\n";
  }
  out << total << (total == 1 ? " post" : " posts") << " found";
  if (total > static_cast<std::int64_t>(posts.size())) {
    out << ", the newest " << posts.size() << " shown";
  }
  out << "\n";
}

// Why the file is no database of ours, or empty when it is one: the search
// writes its tables into the file, which another program's file, or a file
// not yet made, must not get.
std::string NotOurs(Database& db) {
  SqlStatement tables(db,
                      "SELECT count(*), count(CASE name WHEN 'info' THEN 1 "
                      "END) FROM sqlite_master WHERE type = 'table'");
  if (!tables.Ok() || tables.Step() != SQLITE_ROW) {
    return "it cannot be read as a database: " + DbLastError(db);
  }
  if (tables.Int(0) == 0) return "it is empty";
  if (tables.Int(1) == 0) return "it has no table info";
  return std::string();
}

}  // namespace

int SearchTool(const ToolRequest& request, std::ostream& out,
               std::ostream& err) {
  Database db;
  if (!OpenDatabase(request, db, err)) return kToolUsageError;
  if (const std::string why = NotOurs(db); !why.empty()) {
    err << "dealwatcher: " << request.database
        << " holds no posts of this program: " << why << "\n";
    return kToolUsageError;
  }
  const HistorySetUp setup = PrepareHistory(db);
  if (!setup.problem.empty()) err << "dealwatcher: " << setup.problem << "\n";
  if (!setup.tables) return kToolUsageError;
  const CatchUpResult caught =
      CatchUpHistory(db, nullptr, kCatchUpBatch, UnixNow());
  if (!caught.all_indexed) {
    err << "dealwatcher: the history is partial ("
        << (caught.refused == SQLITE_FULL ? "the disk is full"
            : caught.refused == SQLITE_BUSY || caught.refused == SQLITE_LOCKED
                ? "the database is busy"
                : "indexing was refused")
        << "); posts stored since the last indexing may be missing\n";
  }
  HistoryFilter filter;
  filter.text = request.search_text;
  filter.use_index = setup.search_index;
  filter.pairs_complete = caught.all_indexed;
  const auto posts = FindHistory(db, filter, INT64_MAX, kShown);
  const auto total = CountHistory(db, filter);
  if (!posts || !total) {
    err << "dealwatcher: cannot read the stored posts of " << request.database
        << "\n";
    return kToolUsageError;
  }
  if (request.json) {
    PrintJson(*posts, *total, out);
  } else {
    PrintText(*posts, *total, out);
  }
  return kToolOk;
}

}  // namespace dw
