#include "store/statements.h"

#include "store/access.h"

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
  return ExecuteSql(
      db, kInsertPostStatement,
      SqlValues{post.planName, static_cast<long long>(post.planId), post.title,
                post.url, post.addTime, static_cast<long long>(post.zt)});
}

}  // namespace dw
