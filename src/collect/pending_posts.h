// Posts that were listed but whose insert failed (another program held the
// database, say), or whose first-round lookup did. They wait in
// ProgramState::pending_posts and are stored later, silently unless their
// announcement waited on the lookup: a post is announced once.
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// Puts a post at the end of the pending posts and in the journal beside
// the database. A journal that cannot take it (a full disk) is added to
// state.refusal and said on standard error: the post then waits in memory
// only.
void AddPendingPost(ProgramState& state, PendingPost pending);

// Writes the journal again when posts it holds have been stored and no
// transaction keeps their inserts open.
void SyncJournal(ProgramState& state);

// What the start-up did with the posts an earlier run left in the journal.
struct JournalReplay {
  int read = 0;          // posts in the journal, each link once
  int stored = 0;        // stored now
  int found_stored = 0;  // stored already (by that run, or in between)
  int waiting = 0;       // the database refused: they wait among the pending
};

// At start-up, before the first round: each post the journal kept is
// looked up by its link and stored when missing, so each is stored once;
// those the database refuses join the pending posts, to be looked up again
// before their insert. The journal then holds what still waits.
JournalReplay ReplayJournal(ProgramState& state);

// How many posts of the rule wait for the database now.
int WaitingPostsOf(const ProgramState& state, int rule_id);

// True when a post with this link waits in the list.
bool IsPending(const ProgramState& state, const std::string& link);

// At program end, once no worker runs: tries the pending posts once more
// (as RetryPendingPosts does) and writes those left to the log beside the
// database, or to standard error when the log cannot be written, so that
// none vanishes unseen. The list is empty afterwards; the journal keeps
// them for the next start.
void SavePendingPosts(ProgramState& state);

}  // namespace dw
