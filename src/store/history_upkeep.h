// The history's upkeep, run off the GUI thread and again until it is
// complete: the tables made when an earlier try could not (another program
// held the file), the full-text indexes checked and rebuilt when damaged,
// and the stored posts that lack their entries caught up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/database.h"
#include "store/history_catch_up.h"
#include "store/post_history.h"

namespace dw {

struct HistoryUpkeep {
  HistorySetUp setup;
  bool damaged = false;  // an index was found damaged
  bool rebuilt = false;  // and was rebuilt from the stored titles
  CatchUpResult catch_up;
  // Nothing is left to do: the tables are there and every post is in them.
  bool Complete() const { return setup.tables && catch_up.all_indexed; }
};

// One pass. `check` asks for the indexes' own check (it reads all of
// them); a catch-up refused for damage checks them whatever `check` says.
HistoryUpkeep KeepUpHistory(Database& db, bool check,
                            const std::function<bool()>& stop, int batch,
                            std::int64_t now);

// True when the index's own check finds it damaged; false when it is whole
// or could not be read (a held file is no damage).
bool HistoryIndexDamaged(Database& db, const std::string& index);

// What the user should know of a pass (UTF-8), or nothing when all is well.
std::string HistoryUpkeepText(const HistoryUpkeep& upkeep);

}  // namespace dw
