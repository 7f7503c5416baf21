#include "collect/program_state.h"

#include "collect/collection_round.h"

namespace dw {

ProgramState::~ProgramState() { EndCollection(*this); }

}  // namespace dw
