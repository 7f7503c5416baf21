#include "store/user_edits.h"

#include <sqlite3.h>

#include "store/statements.h"

namespace dw {

bool SetRuleIsdo(Database& db, std::int64_t id, const std::string& isdo) {
  if (!DbExecute(db, "update rule set isdo=? where id=?",
                 {isdo, static_cast<long long>(id)})) {
    return false;
  }
  return sqlite3_changes(db.Handle()) > 0;
}

std::optional<std::string> ReadKeywordText(Database& db) {
  RecordSet rs;
  if (!RsOpen(
          rs,
          std::string("select keywd from con where rowid=") + kFirstSettingsRow,
          db) ||
      !RsRequery(rs)) {
    return std::nullopt;
  }
  if (RsRowCount(rs) < 1) return std::string();
  const Array<std::string> rows = RsAllRows(rs);
  if (rows.Rows() < 1) return std::nullopt;  // gone since it was counted
  return rows(1, 1);
}

bool SaveKeywordText(Database& db, const std::string& keywd) {
  if (!DbExecute(db,
                 std::string("update con set keywd=? where rowid=") +
                     kFirstSettingsRow,
                 {keywd})) {
    return false;
  }
  if (sqlite3_changes(db.Handle()) > 0) return true;
  return DbExecute(db, "insert into con(keywd) values(?)", {keywd});
}

}  // namespace dw
