// Posts that were listed but whose insert failed (another program held the
// database, say), or whose first-round lookup did. They wait in
// ProgramState::pending_posts and are stored later, silently unless their
// announcement waited on the lookup: a post is announced once.
#pragma once

#include <functional>
#include <string>

#include "collect/program_state.h"

namespace dw {

// Shows the reminder of a post whose announcement waited until it was
// found new and stored.
using AnnouncePost = std::function<void(const StoredPost&)>;

// Tries the pending posts again, oldest first, until the database refuses
// one or a stop is requested; those stored, or found stored already, leave
// the list. A refusal marks state.database_refused, and while it is marked
// nothing is tried, so a rule run waits out a held database at most once.
// True when none is left.
bool RetryPendingPosts(ProgramState& state, const AnnouncePost& announce = {});

// The insert and the lookup of a post as the worker makes them: skipped
// (false, kUnknown) while state.database_refused is marked, and marking it,
// with the engine's reason, when the database refuses.
bool TryStorePost(ProgramState& state, const StoredPost& post);
Stored TryFindStoredPost(ProgramState& state, const std::string& link);

// The inserts of one rule run share one transaction, so that one sync to
// disk covers the run rather than one per post. Nothing is lost by it: a
// post whose transaction is not committed (a crash) is found new again by
// the next start's first-round check, and one whose commit the database
// refuses waits among the pending posts as if its own insert had been
// refused. Without a transaction (the database would not begin one) each
// insert commits on its own, as before.
void BeginRunTransaction(ProgramState& state);
// Commits the run's inserts. Refused, the posts stored in the run go back
// among the pending posts, ahead of those that waited behind them, and
// false is returned.
bool EndRunTransaction(ProgramState& state);

// True when a post with this link waits in the list.
bool IsPending(const ProgramState& state, const std::string& link);

// At program end, once no worker runs: tries the pending posts once more
// (as RetryPendingPosts does) and writes those left to the log beside the
// database, or to standard error when the log cannot be written, so that
// none vanishes unseen. The list is empty afterwards.
void SavePendingPosts(ProgramState& state);

}  // namespace dw
