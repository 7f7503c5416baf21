#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "collect/collect_view.h"
#include "collect/program_state.h"

namespace dw {

// What one rule run shows, held until the run ends, so that each list takes
// the run's rows in one insert instead of one per post.
struct RunShown {
  struct Row {
    PostRow row;
    // Shown even when a pause comes first (see ShowStoredOnGui).
    bool stored = false;
  };
  std::vector<Row> rows;
  std::vector<ReminderRow> reminders;
};

// What one collection worker carries through a round.
struct WorkerContext {
  ProgramState& state;
  CollectView& view;
  std::uint64_t generation;
  // Set while a rule run is open: what the run shows waits here. Otherwise
  // each row and reminder is queued for the windows at once.
  RunShown* run = nullptr;
};

// Queues `show` (a call on the view) for the GUI thread. It runs there only
// while the worker that queued it is still the current one.
template <typename Show>
void ShowOnGui(WorkerContext& ctx, Show show) {
  ctx.view.RunOnGuiThread([&state = ctx.state, generation = ctx.generation,
                           show = std::move(show)]() mutable {
    if (state.collection_generation == generation) show();
  });
}

// Queues `show` for the GUI thread whatever happens to the worker: for what
// belongs to a post already stored, which must reach the windows even when a
// pause comes between the insert and the GUI thread's turn.
template <typename Show>
void ShowStoredOnGui(WorkerContext& ctx, Show show) {
  ctx.view.RunOnGuiThread(std::move(show));
}

}  // namespace dw
