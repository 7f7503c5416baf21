#include "collect/pending_posts.h"

#include <algorithm>
#include <iostream>

#include "collect/run_log.h"
#include "runtime/date_time.h"
#include "runtime/threads.h"

namespace dw {
namespace {

void NoteRefusal(ProgramState& state) {
  state.database_refused = true;
  state.refusal = DbLastError(state.database);
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
  if (StorePost(state.database, post)) return true;
  NoteRefusal(state);
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
  return pending.empty();
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
  state.pending_posts.clear();
  if (lines.empty() || AppendToLog(LogPathBeside(state.database_path), lines))
    return;
  // The last place left: a post given up unseen would be lost for good.
  std::cerr << "dealwatcher: cannot write the log; posts not stored:\n"
            << lines << std::flush;
}

}  // namespace dw
