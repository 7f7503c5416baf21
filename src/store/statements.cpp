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

bool StorePost(Database& db, const StoredPost& post) {
  if (!RunSql(db, "SAVEPOINT dw_store_post")) return false;
  bool stored = ExecuteSql(
      db, kInsertPostStatement,
      SqlValues{post.planName, static_cast<long long>(post.planId), post.title,
                post.url, post.addTime, static_cast<long long>(post.zt)});
  if (stored) {
    HistoryEntry entry;
    entry.info_id = sqlite3_last_insert_rowid(db.Handle());
    entry.site = post.planName;
    entry.title = post.title;
    entry.fetched_at = post.fetchedAt != 0
                           ? post.fetchedAt
                           : ParseAddTime(post.addTime, UnixNow()).value_or(0);
    entry.hit = post.zt != 0;
    AddHistoryEntry(db, entry);
  } else {
    RunSql(db, "ROLLBACK TO dw_store_post");
  }
  if (!RunSql(db, "RELEASE dw_store_post")) {
    // Outside a transaction this is the commit: refused, nothing is kept.
    RunSql(db, "ROLLBACK");
    return false;
  }
  return stored;
}

}  // namespace dw
