#include "collect/saved_rules.h"

#include <optional>
#include <set>
#include <utility>

#include "collect/health_record.h"
#include "store/collect_settings.h"
#include "store/rule_loader.h"

namespace dw {
namespace {

// Takes the loader's tree items down as they come.
class TreeItems : public RuleTree {
 public:
  void ClearRuleTree() override { items.clear(); }
  void AddRuleTreeItem(const std::string& text, int value,
                       int check_state) override {
    items.push_back({text, value, check_state});
  }
  int RuleTreeItemCount() override { return static_cast<int>(items.size()); }
  int RuleTreeCheckState(int index) override {
    return index >= 0 && index < RuleTreeItemCount() ? items[index].check_state
                                                     : -1;
  }
  int RuleTreeItemValue(int index) override {
    return index >= 0 && index < RuleTreeItemCount() ? items[index].value : 0;
  }

  std::vector<RuleTreeItem> items;
};

// True when the rule's page, cut, pattern, links or settings differ
// between the tables: its earlier runs then no longer describe it.
bool RuleEdited(const RuleTable& before, const RuleTable& after, int id) {
  if (before.RuleSettings(id) != after.RuleSettings(id)) return true;
  for (int cell : {kRuleIsgbk, kRuleType, kRuleUrl, kRuleReg, kRuleBefore,
                   kRuleAfter, kRuleTindex, kRuleIdindex, kRulePinurl}) {
    if (before.Cell(id, cell) != after.Cell(id, cell)) return true;
  }
  return false;
}

}  // namespace

void NoteLoadedLastIds(ProgramState& state) {
  state.loaded_lastid.clear();
  for (int id : state.rule_table.Ids()) {
    state.loaded_lastid[id] = state.rule_table.Cell(id, kRuleLastid);
  }
}

std::optional<RulesReload> ReloadSavedRules(ProgramState& state) {
  // Read whole before anything changes: a load the database refuses leaves
  // the rules, the tree and the keywords as they were.
  RuleTable table;
  TreeItems tree;
  Settings settings = state.settings;
  KeywordList keywords = state.keyword_list;
  if (!LoadSettings(state.database, state.record_set, settings, keywords) ||
      !LoadRules(state.database, state.record_set, table, tree)) {
    return std::nullopt;
  }
  RulesReload reload;
  reload.tree = std::move(tree.items);
  // Every id either table holds: a rule removed is forgotten as surely as
  // one edited.
  std::set<int> ids;
  for (int id : table.Ids()) ids.insert(id);
  for (int id : state.rule_table.Ids()) ids.insert(id);
  for (int id : ids) {
    // The same page whose stored lastid nobody changed: keep how far the
    // engine got, or posts it already showed would come again.
    const RuleTable& now = table;
    const RuleTable& before = state.rule_table;
    const std::string stored = now.Cell(id, kRuleLastid);
    if (stored == state.loaded_lastid[id] && now.Holds(id) &&
        now.Cell(id, kRuleUrl) == before.Cell(id, kRuleUrl)) {
      table.Cell(id, kRuleLastid) = state.rule_table.Cell(id, kRuleLastid);
    }
    state.loaded_lastid[id] = stored;
    if (!RuleEdited(state.rule_table, table, id)) continue;
    // Its page may be the same, but what the rule reads from it is not.
    state.validators.erase(id);
    TryAtOnce(state.paces[id]);
    state.health.erase(id);
    reload.forgotten.push_back(id);
    ForgetRuleHealth(state.database, id);
  }
  ApplyCollectSettings(state);
  state.rule_table = std::move(table);
  state.settings = std::move(settings);
  state.keyword_list = std::move(keywords);
  return reload;
}

void ApplyCollectSettings(ProgramState& state) {
  const std::optional<CollectSettings> chosen =
      ReadCollectSettings(state.database);
  if (!chosen) return;  // never saved: the pacing stays as it was
  state.pacing.round_pause_ms = chosen->round_pause_seconds * 1000;
  state.pacing.back_off = chosen->back_off;
}

void AskForSavedRules(ProgramState& state) { state.rules_saved = true; }

void TakeSavedRulesBetweenRounds(WorkerContext& ctx) {
  ProgramState& state = ctx.state;
  if (!state.rules_saved.exchange(false)) return;
  std::optional<RulesReload> loaded = ReloadSavedRules(state);
  if (!loaded) {
    state.rules_saved = true;  // tried again at the next boundary
    return;
  }
  RulesReload reload = std::move(*loaded);
  state.chosen_rules.clear();
  for (const RuleTreeItem& item : reload.tree) {
    if (item.check_state == 1) state.chosen_rules.push_back(item.value);
  }
  // The state changed whatever happens next, so the windows must follow.
  ShowStoredOnGui(ctx, [&view = ctx.view, reload = std::move(reload)] {
    view.ShowRulesReload(reload);
  });
}

void ShowRuleTree(RuleTree& tree, const std::vector<RuleTreeItem>& items) {
  tree.ClearRuleTree();
  for (const RuleTreeItem& item : items) {
    tree.AddRuleTreeItem(item.text, item.value, item.check_state);
  }
}

}  // namespace dw
