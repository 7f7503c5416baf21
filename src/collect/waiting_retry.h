// The rest after a round, used to store the posts waiting for a held
// database as soon as it frees rather than at the next round.
#pragma once

#include "collect/worker_context.h"

namespace dw {

// Rests `pause_ms` (less when a stop comes). While posts wait it tries them
// again, half a second after the round first, the gap doubling up to five
// seconds while the database still refuses and back to the first after a
// success. Those stored are announced when their announcement waited, and
// the windows learn what still waits.
void RestRetryingWaitingPosts(WorkerContext& ctx, int pause_ms);

}  // namespace dw
