// Saved rules, keywords and settings reaching the engine: loaded again from
// the database between rounds (by the worker, while it waits for the next
// round) or at once while no worker runs, never in the middle of a round.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "collect/program_state.h"
#include "collect/worker_context.h"
#include "store/rule_tree.h"

namespace dw {

// One item of the rule tree as the loader lists it.
struct RuleTreeItem {
  std::string text;
  int value = 0;
  int check_state = 0;
};

// What a reload changed, for the windows.
struct RulesReload {
  std::vector<RuleTreeItem> tree;  // the rule tree afresh, in order
  std::vector<int> forgotten;      // rules whose health was forgotten
};

// Loads the rules, the keywords and the settings again from the state's
// database into the state, by whoever owns it now (the worker, or the GUI
// thread while none runs). A rule's `lastid` that the engine advanced is
// kept unless the stored one or the rule's address changed; a rule whose
// page, cut, pattern or links changed loses its health (kept copy too).
// Nothing, and nothing changed, when the database could not be read.
std::optional<RulesReload> ReloadSavedRules(ProgramState& state);

// The lastid of each rule as stored; start-up notes it after its load.
void NoteLoadedLastIds(ProgramState& state);

// GUI thread, while a worker runs: the worker takes the saved rules at its
// next round boundary.
void AskForSavedRules(ProgramState& state);

// Takes the round pause and back-off the user saved into the state's
// pacing; nothing changes while none was ever saved.
void ApplyCollectSettings(ProgramState& state);

// Worker, between rounds: takes the saved rules when asked, makes its
// rounds walk the rules ticked in them, and has the windows show them.
void TakeSavedRulesBetweenRounds(WorkerContext& ctx);

// Rebuilds the rule tree from a reload's items.
void ShowRuleTree(RuleTree& tree, const std::vector<RuleTreeItem>& items);

}  // namespace dw
