#include "store/statements.h"

#include <sqlite3.h>

#include "store/access.h"
#include "store/post_history.h"
#include "store/post_time.h"
#include "store/sql_statement.h"

namespace dw {

int CountStoredPosts(RecordSet& rs, Database& db, const std::string& link) {
  return RunQuery(rs, db, kDuplicateStatement, SqlValues{link});
}

Stored FindStoredPost(RecordSet& rs, Database& db, const std::string& link) {
  if (!RsOpen(rs, kDuplicateStatement, db, SqlValues{link}) || !RsRequery(rs)) {
    return Stored::kUnknown;
  }
  return RsRowCount(rs) != 0 ? Stored::kYes : Stored::kNo;
}

bool InsertPost(Database& db, const StoredPost& post, std::int64_t* info_id) {
  const bool stored = ExecuteSql(
      db, kInsertPostStatement,
      SqlValues{post.planName, static_cast<long long>(post.planId), post.title,
                post.url, post.addTime, static_cast<long long>(post.zt)});
  if (stored && info_id) *info_id = sqlite3_last_insert_rowid(db.Handle());
  return stored;
}

bool AddPostHistory(Database& db, const StoredPost& post, std::int64_t info_id,
                    bool* damaged) {
  HistoryEntry entry;
  entry.info_id = info_id;
  entry.site = post.planName;
  entry.title = post.title;
  entry.fetched_at = post.fetchedAt != 0
                         ? post.fetchedAt
                         : ParseAddTime(post.addTime, UnixNow()).value_or(0);
  entry.hit = post.zt != 0;
  return AddHistoryEntry(db, entry, damaged);
}

bool StorePost(Database& db, const StoredPost& post) {
  const bool outermost = !DbInTransaction(db);
  if (!RunSql(db, "SAVEPOINT dw_store_post")) return false;
  std::int64_t info_id = 0;
  const bool stored = InsertPost(db, post, &info_id);
  bool damaged = false;
  if (stored) {
    AddPostHistory(db, post, info_id, &damaged);
  } else {
    RunSql(db, "ROLLBACK TO dw_store_post");
  }
  if (!damaged && RunSql(db, "RELEASE dw_store_post")) return stored;
  // A damaged index makes the engine roll back the whole transaction, here
  // or when its pages are written at the commit.
  damaged = damaged || LastErrorIsDamage(db);
  // Outside a transaction the release is the commit: refused, nothing is
  // kept.
  if (outermost && DbInTransaction(db)) RunSql(db, "ROLLBACK");
  // Alone in its transaction the post is stored again without its
  // history, which the catch-up adds once the index is rebuilt.
  return stored && damaged && outermost && InsertPost(db, post, nullptr);
}

}  // namespace dw
