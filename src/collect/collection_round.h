#pragma once

#include <string>

#include "collect/collect_view.h"
#include "collect/program_state.h"
#include "collect/rule_report.h"
#include "collect/worker_context.h"

namespace dw {

// GUI thread. Starts a collection worker over the rules ticked in the tree
// now and returns at once. A worker still running is asked to stop; the new
// one first waits for it to end, so two never run together, and begins its
// first round right after.
void StartCollection(ProgramState& state, CollectView& view);

// GUI thread. Asks the worker to stop and returns at once: from this call
// on nothing it queued reaches the windows, and it ends at its next step (a
// request under way is abandoned, a pause cut short).
void StopCollection(ProgramState& state);

// GUI thread, at program end, before the view goes away: stops the worker
// and waits until it (and any before it) has ended.
void EndCollection(ProgramState& state);

// The worker's body: rounds over `chosen` until a stop is requested.
void CollectionWorker(WorkerContext& ctx, ChosenRules chosen);

// One rule's run as the worker makes it: the rule collected, then the
// pending posts tried, all inserts in one transaction; then what the run
// found is handed to the windows at once and the reminders end their batch.
RuleReport RunRule(WorkerContext& ctx, int rule_id);

// After a rule's run: takes it into the rule health, writes its log line
// and queues the rule's health for the view.
void NoteRuleRun(WorkerContext& ctx, const RuleReport& report);

// Status bar: part 1 gets a space and `text`, part 2 the time now.
void ShowStatus(WorkerContext& ctx, const std::string& text);

// GUI thread: the user tested or saved the rule, so back-off and a
// server's wish to wait no longer hold it: it is asked in the next round.
void AskToTryAtOnce(ProgramState& state, int rule_id);

// The values of the ticked tree items that name a loaded rule, in tree order.
ChosenRules TickedRules(RuleTree& tree);

}  // namespace dw
