// Posts that were listed and announced but whose insert failed (another
// program held the database, say). They wait in ProgramState::pending_posts
// and are stored later, silently: a post is announced once.
#pragma once

#include <string>

#include "collect/program_state.h"

namespace dw {

// Tries the pending posts again, oldest first, until one fails (the
// database is most likely still held, and each try may wait for it) or a
// stop is requested; those stored leave the list. True when none is left.
bool RetryPendingPosts(ProgramState& state);

// True when a post with this link waits in the list.
bool IsPending(const ProgramState& state, const std::string& link);

// At program end, once no worker runs: tries the pending posts once more
// (as RetryPendingPosts does) and writes those left to the log beside the
// database, so that none vanishes unseen. The list is empty afterwards.
void SavePendingPosts(ProgramState& state);

}  // namespace dw
