#include "store/history_catch_up.h"

#include <sqlite3.h>

#include <string_view>

#include "runtime/gb18030.h"
#include "store/post_history.h"
#include "store/post_time.h"
#include "store/sql_statement.h"
#include "store/title_pairs.h"

namespace dw {
namespace {

// The conversions of a batch run inside one statement per table: a
// statement per row costs the trigram index a flush each. This one turns a
// text into another by `convert`.
template <std::string (*convert)(std::string_view)>
void TextFunction(sqlite3_context* context, int, sqlite3_value** args) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  const std::string result =
      text ? convert(std::string_view(text, sqlite3_value_bytes(args[0])))
           : std::string();
  sqlite3_result_text(context, result.data(), static_cast<int>(result.size()),
                      SQLITE_TRANSIENT);
}

void FetchedAtFunction(sqlite3_context* context, int, sqlite3_value** args) {
  auto& times = *static_cast<AddTimeReader*>(sqlite3_user_data(context));
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  sqlite3_result_int64(
      context,
      text ? times.Read(std::string_view(text, sqlite3_value_bytes(args[0])))
                 .value_or(0)
           : 0);
}

// The three functions, for as long as the catch-up runs: `times` lives no
// longer.
class CatchUpFunctions {
 public:
  CatchUpFunctions(Database& db, AddTimeReader* times) : db_(db) {
    sqlite3_create_function_v2(
        db.Handle(), "dw_utf8", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        TextFunction<GbkToUtf8>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db.Handle(), "dw_pairs", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        TextFunction<TitlePairs>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db.Handle(), "dw_fetched_at", 1, SQLITE_UTF8,
                               times, FetchedAtFunction, nullptr, nullptr,
                               nullptr);
  }
  ~CatchUpFunctions() {
    for (const char* name : {"dw_utf8", "dw_pairs", "dw_fetched_at"}) {
      sqlite3_create_function_v2(db_.Handle(), name, 1, SQLITE_UTF8, nullptr,
                                 nullptr, nullptr, nullptr, nullptr);
    }
  }
  CatchUpFunctions(const CatchUpFunctions&) = delete;
  CatchUpFunctions& operator=(const CatchUpFunctions&) = delete;

 private:
  Database& db_;
};

constexpr char kMissing[] =
    " FROM info i WHERE i.rowid > ?1 AND i.rowid <= ?1 + ?2 AND NOT EXISTS "
    "(SELECT 1 FROM dw_post p WHERE p.info_id = i.rowid)";

// Entries of ids in (after, after + window] that lack the words of the
// short-word index: those stored before it existed.
constexpr char kUnpaired[] =
    "(SELECT count(*) FROM dw_post WHERE info_id > ?1 AND info_id <= ?1 + ?2)"
    " <> (SELECT count(*) FROM dw_post_pairs WHERE rowid > ?1 AND "
    "rowid <= ?1 + ?2)";

// Entries of ids in (after, after + window] whose `info` row holds another
// post now: another program reused the row number (see DropStaleEntry).
constexpr char kStale[] =
    " FROM dw_post p JOIN info i ON i.rowid = p.info_id WHERE p.info_id > ?1 "
    "AND p.info_id <= ?1 + ?2 AND p.title <> dw_utf8(i.title)";

// Forgets the stale entries of the window, words and all: the walk then
// finds their rows missing and indexes what they hold now.
bool DropStaleEntries(Database& db, std::int64_t after, std::int64_t window,
                      bool pairs) {
  const std::string stale = kStale;
  SqlStatement search(db, ("INSERT INTO dw_post_search(dw_post_search, rowid, "
                           "title) SELECT 'delete', p.info_id, p.title" +
                           stale)
                              .c_str());
  SqlStatement words(
      db, ("INSERT INTO dw_post_pairs(dw_post_pairs, rowid, pairs) SELECT "
           "'delete', p.info_id, dw_pairs(p.title)" +
           stale +
           " AND EXISTS (SELECT 1 FROM dw_post_pairs x WHERE x.rowid = "
           "p.info_id)")
              .c_str());
  SqlStatement drop(
      db,
      ("DELETE FROM dw_post WHERE info_id IN (SELECT p.info_id" + stale + ")")
          .c_str());
  const auto run = [&](SqlStatement& statement) {
    return statement.Bind(1, after) && statement.Bind(2, window) &&
           statement.Run();
  };
  return (!search.Ok() || run(search)) && (!pairs || run(words)) && run(drop);
}

// True when rows of ids in (after, after + window] lack entries, or entries
// their words, or hold other posts than their entries; nothing when
// refused. Read before any write lock is taken:
// walking rows already done must not keep a collection from storing.
std::optional<bool> AnyMissing(Database& db, std::int64_t after,
                               std::int64_t window, bool pairs) {
  SqlStatement any(db, (std::string("SELECT EXISTS(SELECT 1") + kMissing +
                        ") OR EXISTS(SELECT 1" + kStale + ")" +
                        (pairs ? std::string(" OR ") + kUnpaired : ""))
                           .c_str());
  if (!any.Bind(1, after) || !any.Bind(2, window) || any.Step() != SQLITE_ROW)
    return std::nullopt;
  return any.Int(0) != 0;
}

// Gives the rows of ids in (after, after + window] their entries, in one
// transaction; the number added, or nothing when refused.
std::optional<std::int64_t> CatchUpWindow(Database& db, std::int64_t after,
                                          std::int64_t window, bool pairs,
                                          int* refused) {
  const auto refuse = [&] {
    *refused = sqlite3_extended_errcode(db.Handle()) & 0xff;
    return std::nullopt;
  };
  if (!RunSql(db, "BEGIN IMMEDIATE")) return refuse();
  // The index keeps a batch's words in memory and writes them as one
  // segment at the commit: flushed at the usual 1 MB, a batch made dozens of
  // small segments that it then merged again and again. Without the index
  // (no full-text module) there is nothing to set.
  RunSql(db,
         "INSERT INTO dw_post_search(dw_post_search, rank) "
         "VALUES('hashsize', 33554432)");
  if (pairs) {
    RunSql(db,
           "INSERT INTO dw_post_pairs(dw_post_pairs, rank) "
           "VALUES('hashsize', 33554432)");
  }
  if (!DropStaleEntries(db, after, window, pairs)) {
    const int code = sqlite3_extended_errcode(db.Handle()) & 0xff;
    *refused = code == SQLITE_OK ? SQLITE_ERROR : code;
    RunSql(db, "ROLLBACK");
    return std::nullopt;
  }
  SqlStatement sites(db,
                     (std::string("INSERT OR IGNORE INTO dw_post_site(name)"
                                  " SELECT DISTINCT coalesce(i.planname,'')") +
                      kMissing)
                         .c_str());
  SqlStatement posts(
      db, (std::string("INSERT OR IGNORE INTO dw_post(info_id, site_id, "
                       "fetched_at, hit, title) SELECT i.rowid, (SELECT s.id "
                       "FROM dw_post_site s WHERE s.name = "
                       "coalesce(i.planname,'')), dw_fetched_at(i.addtime), "
                       "coalesce(i.zt, 0) <> 0, dw_utf8(i.title)") +
           kMissing)
              .c_str());
  bool ok = sites.Bind(1, after) && sites.Bind(2, window) && sites.Run() &&
            posts.Bind(1, after) && posts.Bind(2, window) && posts.Run();
  // Read while the statements live: their end clears it.
  int code = ok ? SQLITE_OK : sqlite3_extended_errcode(db.Handle()) & 0xff;
  const std::int64_t added = ok ? sqlite3_changes(db.Handle()) : 0;
  if (ok && pairs) {
    // The entries just added, and any stored before the index was made.
    // Looking each one up in the index costs a tenth of the whole walk; a
    // window the index has nothing of, as a new one, needs no look-up.
    SqlStatement words(
        db,
        "INSERT INTO dw_post_pairs(rowid, pairs) SELECT p.info_id, "
        "dw_pairs(p.title) FROM dw_post p WHERE p.info_id > ?1 AND "
        "p.info_id <= ?1 + ?2 AND ((SELECT count(*) FROM dw_post_pairs WHERE "
        "rowid > ?1 AND rowid <= ?1 + ?2) = 0 OR NOT EXISTS (SELECT 1 FROM "
        "dw_post_pairs x WHERE x.rowid = p.info_id))");
    ok = words.Bind(1, after) && words.Bind(2, window) && words.Run();
    if (!ok) code = sqlite3_extended_errcode(db.Handle()) & 0xff;
  }
  if (ok && RunSql(db, "COMMIT")) return added;
  if (ok) code = sqlite3_extended_errcode(db.Handle()) & 0xff;
  RunSql(db, "ROLLBACK");
  *refused = code == SQLITE_OK ? SQLITE_ERROR : code;
  return std::nullopt;
}

}  // namespace

CatchUpResult CatchUpHistory(Database& db, const std::function<bool()>& stop,
                             int batch, std::int64_t now) {
  CatchUpResult result;
  if (!db.IsOpen() || batch < 1) return result;
  AddTimeReader times(now);
  const CatchUpFunctions functions(db, &times);
  const bool pairs = HasShortWordIndex(db);
  std::int64_t after = 0;
  while (!(stop && stop())) {
    // Read again each time: rows other programs add are walked too, and
    // entries whose `info` row is gone still get their words.
    SqlStatement last(db,
                      "SELECT max(coalesce((SELECT max(rowid) FROM info), 0), "
                      "coalesce((SELECT max(info_id) FROM dw_post), 0))");
    if (last.Step() != SQLITE_ROW) {
      result.refused = sqlite3_extended_errcode(db.Handle()) & 0xff;
      break;
    }
    if (after >= last.Int(0)) {
      result.all_indexed = true;
      break;
    }
    const auto missing = AnyMissing(db, after, batch, pairs);
    if (!missing) {
      result.refused = sqlite3_extended_errcode(db.Handle()) & 0xff;
      break;
    }
    if (*missing) {
      // The index's pages stay in memory from one batch to the next.
      RunSql(db, "PRAGMA cache_size = -32768");
      const auto added =
          CatchUpWindow(db, after, batch, pairs, &result.refused);
      if (!added) break;
      result.added += *added;
    }
    after += batch;
  }
  RunSql(db, "PRAGMA cache_size = -2000");  // back to the default
  return result;
}

}  // namespace dw
