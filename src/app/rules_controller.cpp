#include "app/rules_controller.h"

#include <QPushButton>
#include <QTreeWidget>
#include <optional>

#include "app/rules/rules_button.h"
#include "app/rules/rules_window.h"
#include "app/window_collect_view.h"
#include "app/windows/main_window.h"
#include "collect/collection_round.h"
#include "collect/program_state.h"
#include "collect/saved_rules.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_ops.h"
#include "store/rule_id.h"

namespace dw {
namespace {

constexpr int kIdleCheckMs = 50;

}  // namespace

RulesController::RulesController(ProgramState& state, MainWindow& main,
                                 WindowCollectView& view)
    : state_(state), main_(main), view_(view) {
  NoteLoadedLastIds(state_);
  connect(&view_.Health(), &HealthBoard::Changed, this,
          &RulesController::UpdateButton);
  connect(main_.RuleTree(), &QTreeWidget::itemChanged, this,
          &RulesController::UpdateButton);
  view_.on_rules_reload = [this] {
    UpdateButton();
    if (window_) window_->ChangesTookEffect();
  };
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

RulesController::~RulesController() { view_.on_rules_reload = nullptr; }

void RulesController::OpenWindow() {
  if (!window_) {
    RulesWindowLinks links;
    links.database_path = state_.database_path;
    links.health = &view_.Health();
    links.tick_tree = [this](std::int64_t id, bool ticked) {
      TickTree(id, ticked);
    };
    links.changes_saved = [this] { return ChangesSaved(); };
    links.rule_tried = [this](std::int64_t id) {
      if (IsRuleId(id)) AskToTryAtOnce(state_, static_cast<int>(id));
    };
    links.reminders_saved = [this](const ReminderSettings& settings) {
      if (reminders_saved_) reminders_saved_(settings);
    };
    window_ = std::make_unique<RulesWindow>(std::move(links));
  }
  BringToFront(window_.get());
}

void RulesController::OpenRepair(int rule_id) {
  OpenWindow();
  window_->OpenRepairWindowFor(rule_id);
}

bool RulesController::Collecting() const {
  return main_.StartButton()->text() != QString::fromUtf8("开始");
}

bool RulesController::Idle() const {
  return !Collecting() && ThreadFinished(state_.collection_worker);
}

QString RulesController::ChangesSaved() {
  if (Idle()) {
    if (ReloadTables()) return QString::fromUtf8("已保存，已生效");
    pending_ = true;  // tried again at the next start
    return QString::fromUtf8("已保存；数据库忙或无法读取（%1），下次开始时生效")
        .arg(QString::fromUtf8(reload_failure_.c_str()));
  }
  if (Collecting()) {
    // The worker takes them between two rounds, never within one.
    AskForSavedRules(state_);
    return QString::fromUtf8("已保存，下一轮生效");
  }
  // A paused worker is still ending: loaded the moment it has.
  pending_ = true;
  idle_check_.start();
  return QString::fromUtf8("已保存，下次开始时生效");
}

void RulesController::TakeUnclaimed() {
  // Asked of a worker that was paused before its round ended: the worker
  // either took them already or never will.
  if (state_.rules_saved.exchange(false)) pending_ = true;
}

void RulesController::BeforeStart() {
  TakeUnclaimed();
  if (!pending_) return;
  idle_check_.stop();
  // A worker paused a moment ago ends within its next step; the tables
  // change only once it has.
  JoinThreadDispatching(state_.collection_worker);
  ReloadTables();
}

void RulesController::AfterStop() {
  TakeUnclaimed();
  if (pending_) idle_check_.start();
}

bool RulesController::ReloadTables() {
  std::optional<RulesReload> reload;
  {
    // A short wait only: the GUI thread must not sit out another program's
    // hold on the file.
    ShortBusyWait short_wait(state_.database, kGuiBusyWaitMs);
    reload = ReloadSavedRules(state_);
  }
  if (!reload) {
    reload_failure_ = DbLastError(state_.database);
    const QString note = QString::fromUtf8("数据库忙，规则未重新载入：%1")
                             .arg(QString::fromUtf8(reload_failure_.c_str()));
    view_.ShowStatus(QStringToGbk(" " + note), std::string());
    // Where the changes were made, too: the status bar is easily missed.
    if (window_) window_->ShowMessage(note, true);
    return false;
  }
  pending_ = false;
  view_.ShowRulesReload(*reload);
  return true;
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
  QPushButton* button = main_.RulesButton();
  ShowFailingRules(button, main_.RuleTree(), view_.Health());
  if (!push_problem_.isEmpty()) {
    button->setToolTip(button->toolTip() + "\n" +
                       QString::fromUtf8("上次推送失败：") + push_problem_);
  }
}

void RulesController::ShowPushProblem(const QString& problem) {
  push_problem_ = problem;
  UpdateButton();
}

}  // namespace dw
