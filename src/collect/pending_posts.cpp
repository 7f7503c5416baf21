#include "collect/pending_posts.h"

#include <algorithm>
#include <iostream>

#include "collect/post_journal.h"
#include "collect/run_log.h"
#include "runtime/date_time.h"
#include "runtime/threads.h"
#include "store/post_history.h"
#include "store/sql_statement.h"

namespace dw {
namespace {

void NoteRefusal(ProgramState& state) {
  state.database_refused = true;
  state.refusal = DbLastError(state.database);
}

// The run's transaction is gone without a commit: its posts wait again.
// They were all stored while nothing waited ahead of them (a post is
// stored only with the list empty or from its front), so they go first.
void RequeueUncommitted(ProgramState& state) {
  state.run_transaction_open = false;
  std::vector<PendingPost> back;
  back.reserve(state.uncommitted_posts.size());
  for (StoredPost& post : state.uncommitted_posts) {
    back.push_back({std::move(post), false, false});
  }
  state.uncommitted_posts.clear();
  state.uncommitted_ids.clear();
  state.pending_posts.insert(state.pending_posts.begin(),
                             std::make_move_iterator(back.begin()),
                             std::make_move_iterator(back.end()));
  // They were never in the journal: stored, as it seemed.
  if (!back.empty()) {
    state.journal_stale = true;
    SyncJournal(state);
  }
}

// The history of the posts a run committed, in a transaction of its own:
// refused or damaged, it costs no post, and the catch-up adds it later.
void AddRunHistory(ProgramState& state) {
  if (state.uncommitted_posts.empty()) return;
  Database& db = state.database;
  bool damaged = false;
  bool ok = RunSql(db, "BEGIN");
  for (std::size_t i = 0; ok && i < state.uncommitted_posts.size(); ++i) {
    ok = AddPostHistory(db, state.uncommitted_posts[i],
                        state.uncommitted_ids[i], &damaged);
  }
  if (ok && RunSql(db, "COMMIT")) return;
  damaged = damaged || LastErrorIsDamage(db);
  if (DbInTransaction(db)) RunSql(db, "ROLLBACK");
  // Tables not made yet, or a database held, are nothing to tell of.
  if (damaged) {
    state.history_write_damaged = true;
    AppendToLog(LogPathBeside(state.database_path),
                UnindexedLogLine(state.uncommitted_posts.size(),
                                 "history index damaged", Now()));
  }
}

void NoteJournalProblem(ProgramState& state, const std::string& problem) {
  state.refusal += (state.refusal.empty() ? "" : "; ") +
                   std::string("waiting posts not kept on disk: ") + problem;
  std::cerr << "dealwatcher: waiting posts not kept on disk: " << problem
            << std::endl;
}

// One pending post's turn: true when it may leave the list.
bool Settle(ProgramState& state, PendingPost& pending,
            const AnnouncePost& announce) {
  if (pending.lookup_owed) {
    const Stored found = TryFindStoredPost(state, pending.post.url);
    if (found == Stored::kUnknown) return false;
    if (found == Stored::kYes) return true;  // stored before: not new
    pending.lookup_owed = false;
  }
  if (!TryStorePost(state, pending.post)) return false;
  if (pending.announce_when_stored && announce) announce(pending.post);
  return true;
}

}  // namespace

bool TryStorePost(ProgramState& state, const StoredPost& post) {
  if (state.database_refused) return false;
  // Inside the run's transaction the history waits for the commit: a
  // damaged index would take the whole transaction with it.
  std::int64_t info_id = 0;
  if (state.run_transaction_open ? InsertPost(state.database, post, &info_id)
                                 : StorePost(state.database, post)) {
    if (state.run_transaction_open) {
      state.uncommitted_posts.push_back(post);
      state.uncommitted_ids.push_back(info_id);
    }
    return true;
  }
  NoteRefusal(state);
  return false;
}

void BeginRunTransaction(ProgramState& state) {
  state.uncommitted_posts.clear();
  state.uncommitted_ids.clear();
  state.run_transaction_open = state.database.IsOpen() &&
                               !DbInTransaction(state.database) &&
                               RunSql(state.database, "BEGIN");
}

bool EndRunTransaction(ProgramState& state) {
  if (!state.run_transaction_open) return true;
  state.run_transaction_open = false;
  // Some failures (a full disk, an I/O error) take the transaction with
  // them; the refusal was noted when it came.
  const bool open = DbInTransaction(state.database);
  if (open && RunSql(state.database, "COMMIT")) {
    AddRunHistory(state);
    state.uncommitted_posts.clear();
    state.uncommitted_ids.clear();
    SyncJournal(state);
    return true;
  }
  if (open) {
    NoteRefusal(state);
    // A commit refused for a lock leaves the transaction open.
    if (DbInTransaction(state.database)) RunSql(state.database, "ROLLBACK");
  }
  RequeueUncommitted(state);
  return false;
}

Stored TryFindStoredPost(ProgramState& state, const std::string& link) {
  if (state.database_refused) return Stored::kUnknown;
  const Stored found = FindStoredPost(state.record_set, state.database, link);
  if (found == Stored::kUnknown) NoteRefusal(state);
  return found;
}

bool RetryPendingPosts(ProgramState& state, const AnnouncePost& announce) {
  auto& pending = state.pending_posts;
  std::size_t settled = 0;
  while (settled < pending.size() && !StopRequested() &&
         Settle(state, pending[settled], announce)) {
    ++settled;
  }
  pending.erase(pending.begin(), pending.begin() + settled);
  if (settled > 0) {
    state.journal_stale = true;
    SyncJournal(state);
  }
  return pending.empty();
}

void AddPendingPost(ProgramState& state, PendingPost pending) {
  std::string problem;
  if (!AppendToJournal(JournalPathBeside(state.database_path), pending.post,
                       &problem)) {
    NoteJournalProblem(state, problem);
  }
  state.pending_posts.push_back(std::move(pending));
}

void SyncJournal(ProgramState& state) {
  if (!state.journal_stale || state.run_transaction_open) return;
  std::vector<const StoredPost*> posts;
  posts.reserve(state.pending_posts.size());
  for (const PendingPost& pending : state.pending_posts) {
    posts.push_back(&pending.post);
  }
  std::string problem;
  // Not written, the old journal stays: it holds every post that waits, and
  // those stored since are found stored when it is read back.
  if (RewriteJournal(JournalPathBeside(state.database_path), posts, &problem)) {
    state.journal_stale = false;
  }
}

JournalReplay ReplayJournal(ProgramState& state) {
  JournalReplay replay;
  std::vector<StoredPost> posts =
      ReadJournal(JournalPathBeside(state.database_path));
  replay.read = static_cast<int>(posts.size());
  state.database_refused = false;
  for (StoredPost& post : posts) {
    if (IsPending(state, post.url)) continue;
    // The earlier run may have stored it after all, or another program
    // since: a lookup decides, so none is stored twice.
    const Stored found = TryFindStoredPost(state, post.url);
    if (found == Stored::kYes) {
      ++replay.found_stored;
    } else if (found == Stored::kNo && TryStorePost(state, post)) {
      ++replay.stored;
    } else {
      ++replay.waiting;
      state.pending_posts.push_back({std::move(post), true, false});
    }
  }
  state.database_refused = false;
  if (replay.read > 0) {
    state.journal_stale = true;
    SyncJournal(state);
  }
  return replay;
}

int WaitingPostsOf(const ProgramState& state, int rule_id) {
  return static_cast<int>(std::count_if(
      state.pending_posts.begin(), state.pending_posts.end(),
      [rule_id](const PendingPost& p) { return p.post.planId == rule_id; }));
}

bool IsPending(const ProgramState& state, const std::string& link) {
  return std::any_of(
      state.pending_posts.begin(), state.pending_posts.end(),
      [&](const PendingPost& pending) { return pending.post.url == link; });
}

void SavePendingPosts(ProgramState& state) {
  // One more try, stopping at the first refusal like any retry: the window
  // has closed, and a database still held would make each further try wait
  // as long again.
  state.database_refused = false;
  RetryPendingPosts(state);
  std::string lines;
  for (const PendingPost& pending : state.pending_posts) {
    lines += UnstoredLogLine(pending.post, Now());
  }
  // Cleared without a word to the journal, which keeps them for the next
  // start.
  state.pending_posts.clear();
  if (lines.empty() || AppendToLog(LogPathBeside(state.database_path), lines))
    return;
  // The last place left: a post given up unseen would be lost for good.
  std::cerr << "dealwatcher: cannot write the log; posts not stored:\n"
            << lines << std::flush;
}

}  // namespace dw
