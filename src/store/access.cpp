#include "store/access.h"

namespace dw {

int RunQuery(RecordSet& rs, Database& db, const std::string& sql) {
  if (!RsOpen(rs, sql, db)) return 0;
  RsRequery(rs);
  return RsRowCount(rs);
}

int RunQuery(RecordSet& rs, Database& db, const std::string& sql,
             const SqlValues& values) {
  if (!RsOpen(rs, sql, db, values)) return 0;
  RsRequery(rs);
  return RsRowCount(rs);
}

void CloseQuery(RecordSet& rs) { RsClose(rs); }

bool ExecuteSql(Database& db, const std::string& sql) {
  return DbExecute(db, sql);
}

bool ExecuteSql(Database& db, const std::string& sql, const SqlValues& values) {
  return DbExecute(db, sql, values);
}

}  // namespace dw
