#include "store/round_storage.h"

#include "store/sql_statement.h"

namespace dw {

void PrepareRoundStorage(Database& db) {
  RunSql(db, "PRAGMA temp_store=MEMORY");
}

}  // namespace dw
