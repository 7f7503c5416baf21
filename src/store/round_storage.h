// How the collecting connection keeps what it needs for a moment only.
#pragma once

#include "runtime/database.h"

namespace dw {

// Keeps the connection's temporary storage in memory: the few pages a
// statement or a savepoint of a rule run may have to undo, which the
// engine would otherwise write to a file made and deleted for each run.
void PrepareRoundStorage(Database& db);

}  // namespace dw
