#include "collect/pending_posts.h"

#include <algorithm>

#include "collect/run_log.h"
#include "runtime/date_time.h"
#include "runtime/threads.h"

namespace dw {

bool RetryPendingPosts(ProgramState& state) {
  auto& pending = state.pending_posts;
  std::size_t stored = 0;
  while (stored < pending.size() && !StopRequested() &&
         StorePost(state.database, pending[stored])) {
    ++stored;
  }
  pending.erase(pending.begin(), pending.begin() + stored);
  return pending.empty();
}

bool IsPending(const ProgramState& state, const std::string& link) {
  return std::any_of(state.pending_posts.begin(), state.pending_posts.end(),
                     [&](const StoredPost& post) { return post.url == link; });
}

void SavePendingPosts(ProgramState& state) {
  // Stops at the first refusal like any retry: the window has closed, and a
  // database still held would make each further try wait as long again.
  RetryPendingPosts(state);
  std::string lines;
  for (const StoredPost& post : state.pending_posts) {
    lines += UnstoredLogLine(post, Now());
  }
  state.pending_posts.clear();
  if (!lines.empty()) AppendToLog(LogPathBeside(state.database_path), lines);
}

}  // namespace dw
