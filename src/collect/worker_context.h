#pragma once

#include <cstdint>
#include <utility>

#include "collect/collect_view.h"
#include "collect/program_state.h"

namespace dw {

// What one collection worker carries through a round.
struct WorkerContext {
  ProgramState& state;
  CollectView& view;
  std::uint64_t generation;
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
