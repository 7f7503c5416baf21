#include "app/rules/database_note.h"

namespace dw {

QString DatabaseFailureNote(const Database& db) {
  if (DbLastFailureBusy(db)) return QString::fromUtf8("（数据库忙，稍后再试）");
  return QString::fromUtf8("（%1）").arg(
      QString::fromUtf8(DbLastError(db).c_str()));
}

}  // namespace dw
