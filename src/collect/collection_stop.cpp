#include "collect/collection_round.h"
#include "runtime/threads.h"

namespace dw {

void StopCollection(ProgramState& state) {
  ++state.collection_generation;
  EndThread(state.collection_worker);
}

void EndCollection(ProgramState& state) {
  StopCollection(state);
  JoinThread(state.collection_worker);
}

}  // namespace dw
