#include "app/rules_controller.h"

#include <QPushButton>
#include <QTreeWidget>

#include "app/rules/rules_button.h"
#include "app/rules/rules_window.h"
#include "app/window_collect_view.h"
#include "app/windows/main_window.h"
#include "collect/program_state.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_ops.h"
#include "store/rule_loader.h"

namespace dw {
namespace {

constexpr int kIdleCheckMs = 50;

// True when the rule's page, cut, pattern or links differ between the
// tables: its earlier runs then no longer describe it.
bool RuleEdited(const RuleTable& before, const RuleTable& after, int id) {
  for (int cell : {kRuleIsgbk, kRuleType, kRuleUrl, kRuleReg, kRuleBefore,
                   kRuleAfter, kRuleTindex, kRuleIdindex, kRulePinurl}) {
    if (before.Cell(id, cell) != after.Cell(id, cell)) return true;
  }
  return false;
}

std::map<int, std::string> LastIds(const RuleTable& table) {
  std::map<int, std::string> ids;
  for (int id = 1; id <= RuleTable::kRows; ++id) {
    ids[id] = table.Cell(id, kRuleLastid);
  }
  return ids;
}

}  // namespace

RulesController::RulesController(ProgramState& state, MainWindow& main,
                                 WindowCollectView& view)
    : state_(state),
      main_(main),
      view_(view),
      loaded_lastid_(LastIds(state.rule_table)) {
  connect(&view_.Health(), &HealthBoard::Changed, this,
          &RulesController::UpdateButton);
  connect(main_.RuleTree(), &QTreeWidget::itemChanged, this,
          &RulesController::UpdateButton);
  idle_check_.setInterval(kIdleCheckMs);
  connect(&idle_check_, &QTimer::timeout, this, [this] {
    if (Collecting()) {
      idle_check_.stop();  // started again: the start took the changes
    } else if (Idle()) {
      idle_check_.stop();
      if (pending_) ReloadTables();
    }
  });
  UpdateButton();
}

RulesController::~RulesController() = default;

void RulesController::OpenWindow() {
  if (!window_) {
    RulesWindowLinks links;
    links.database_path = state_.database_path;
    links.health = &view_.Health();
    links.tick_tree = [this](std::int64_t id, bool ticked) {
      TickTree(id, ticked);
    };
    links.changes_saved = [this] { return ChangesSaved(); };
    window_ = std::make_unique<RulesWindow>(std::move(links));
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

bool RulesController::Collecting() const {
  return main_.StartButton()->text() != QString::fromUtf8("开始");
}

bool RulesController::Idle() const {
  return !Collecting() && ThreadFinished(state_.collection_worker);
}

QString RulesController::ChangesSaved() {
  pending_ = true;
  if (Idle()) {
    ReloadTables();
    return QString::fromUtf8("已保存，已生效");
  }
  if (!Collecting()) idle_check_.start();  // a paused worker is still ending
  return QString::fromUtf8("已保存，下次开始时生效");
}

void RulesController::BeforeStart() {
  if (!pending_) return;
  idle_check_.stop();
  // A worker paused a moment ago ends within its next step; the tables
  // change only once it has.
  JoinThreadDispatching(state_.collection_worker);
  ReloadTables();
}

void RulesController::AfterStop() {
  if (pending_) idle_check_.start();
}

void RulesController::ReloadTables() {
  pending_ = false;
  RuleTable table;
  LoadRules(state_.database, state_.record_set, table, view_);
  const std::map<int, std::string> stored = LastIds(table);
  for (int id = 1; id <= RuleTable::kRows; ++id) {
    // The same page whose stored lastid nobody changed: keep how far the
    // engine got, or posts it already showed would come again.
    if (stored.at(id) == loaded_lastid_[id] &&
        table.Cell(id, kRuleUrl) == state_.rule_table.Cell(id, kRuleUrl)) {
      table.Cell(id, kRuleLastid) = state_.rule_table.Cell(id, kRuleLastid);
    }
  }
  loaded_lastid_ = stored;
  // An edited rule starts afresh: its failing rounds are forgotten.
  for (int id = 1; id <= RuleTable::kRows; ++id) {
    if (!RuleEdited(state_.rule_table, table, id)) continue;
    state_.health.erase(id);
    view_.Health().Forget(id);
  }
  state_.rule_table = std::move(table);
  LoadSettings(state_.database, state_.record_set, state_.settings,
               state_.keyword_list);
  UpdateButton();
}

void RulesController::TickTree(std::int64_t id, bool ticked) {
  QTreeWidget* tree = main_.RuleTree();
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree->topLevelItem(i);
    if (item->data(0, Qt::UserRole).toLongLong() == id) {
      item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
  }
}

void RulesController::UpdateButton() {
  ShowUnhealthyRules(main_.RulesButton(), main_.RuleTree(), view_.Health());
}

}  // namespace dw
