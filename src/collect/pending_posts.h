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

// True when a post with this link waits in the list.
bool IsPending(const ProgramState& state, const std::string& link);

// At program end, once no worker runs: tries the pending posts once more
// (as RetryPendingPosts does) and writes those left to the log beside the
// database, or to standard error when the log cannot be written, so that
// none vanishes unseen. The list is empty afterwards.
void SavePendingPosts(ProgramState& state);

}  // namespace dw
