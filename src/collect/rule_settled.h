// Which rules have run to their end in this session under their settings
// as they stand. Until a rule has, the seen ids say nothing about what it
// stored before (its page was down at the first round, or it was edited so
// that the same posts come under new keys), so its posts are looked up in
// the stored ones before they are announced.
#pragma once

#include "collect/program_state.h"
#include "collect/rule_report.h"

namespace dw {

// True when the rule ran well this session with its cells as they are now.
bool RuleSettled(const ProgramState& state, int rule_id);

// Takes a finished run: one that got through every step settles its rule
// under its present settings.
void NoteRuleSettled(ProgramState& state, const RuleReport& report);

}  // namespace dw
