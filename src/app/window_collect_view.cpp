#include "app/window_collect_view.h"

#include <QMetaObject>
#include <algorithm>
#include <vector>

#include "app/rules/rules_button.h"
#include "app/windows/main_window.h"
#include "app/windows/reminder_window.h"
#include "app/windows/window_ops.h"
#include "collect/saved_rules.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

// " 本轮执行完毕": how the round's closing message begins.
const char kRoundDone[] = " \xB1\xBE\xC2\xD6\xD6\xB4\xD0\xD0\xCD\xEA\xB1\xCF";

}  // namespace

WindowCollectView::WindowCollectView(MainWindow* main_window,
                                     ReminderWindow* reminder_window)
    : main_(main_window), reminder_(reminder_window) {
  reminders_.window = true;
}

void WindowCollectView::ClearRuleTree() { TreeClear(main_->RuleTree()); }

void WindowCollectView::AddRuleTreeItem(const std::string& text, int value,
                                        int check_state) {
  TreeAddItem(main_->RuleTree(), text, value, check_state);
}

int WindowCollectView::RuleTreeItemCount() {
  return TreeItemCount(main_->RuleTree());
}

int WindowCollectView::RuleTreeCheckState(int index) {
  return TreeCheckState(main_->RuleTree(), index);
}

int WindowCollectView::RuleTreeItemValue(int index) {
  return TreeItemValue(main_->RuleTree(), index);
}

void WindowCollectView::ShowStatus(const std::string& message,
                                   const std::string& time) {
  const bool round_done = message.rfind(kRoundDone, 0) == 0;
  std::string shown = message;
  if (round_done) {
    const auto broken = BrokenRules(main_->RuleTree(), health_).size();
    if (broken > 0) {
      shown += QStringToGbk(QString::fromUtf8("，%1 条规则失败").arg(broken));
    }
  }
  StatusSetText(main_->Status(), 1, shown);
  StatusSetText(main_->Status(), 2, time);
  if (round_done) EndRound();
}

void WindowCollectView::EndRound() {
  // Rows of a run cut short by a pause have no health to tell whose first
  // run it was: they are told.
  round_.rows.insert(round_.rows.end(), run_rows_.begin(), run_rows_.end());
  run_rows_.clear();
  RoundNews news = std::move(round_);
  round_ = RoundNews();
  if (!news.rows.empty() && on_batch_) on_batch_(news);
}

void WindowCollectView::InsertPostRow(const PostRow& row) {
  InsertPostRows({row});
}

void WindowCollectView::InsertPostRows(const std::vector<PostRow>& rows) {
  // One insert for the run: each row on top of the one found before it.
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows.size());
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    cells.push_back(
        {row->rule_id, row->link, row->rule_name, row->title, row->fetch_time});
  }
  ListRows* list = main_->PostList()->Rows();
  list->InsertRows(0, cells);
  const int last = static_cast<int>(rows.size()) - 1;
  for (int i = 0; i <= last; ++i) {
    if (rows[i].keyword_hit) list->SetImage(last - i, 3, 0);
  }
}

void WindowCollectView::ClearReminders() {
  EndRound();  // what a round cut short found
  ListClear(reminder_->ReminderList());
}

void WindowCollectView::AddReminderRow(const ReminderRow& row) {
  AddReminderRows({row});
}

void WindowCollectView::AddReminderRows(const std::vector<ReminderRow>& rows) {
  std::vector<std::vector<std::string>> cells;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if (reminders_.only_keywords && !row->keyword_hit) continue;
    cells.push_back({row->title, row->link, row->time});
  }
  for (const ReminderRow& row : rows) {
    if (!reminders_.only_keywords || row.keyword_hit) batch_.push_back(row);
  }
  if (cells.empty() || !reminders_.window) return;
  reminder_->ReminderList()->Rows()->InsertRows(0, cells);
  // Showing starts the count-down; rows added while shown do not restart it.
  if (!ReadBoolProperty(reminder_, kPropVisible)) {
    WriteProperty(reminder_, kPropVisible, true);
  }
}

void WindowCollectView::EndReminderBatch() {
  // The run's health comes next and tells whose run it was.
  run_rows_.insert(run_rows_.end(), batch_.begin(), batch_.end());
  batch_.clear();
}

void WindowCollectView::ShowRuleHealth(int rule_id, const RuleHealth& health) {
  const RuleHealth* before = health_.Find(rule_id);
  const bool first_run = !before || !before->last;
  const bool was_broken = before && before->Unhealthy();
  if (!run_rows_.empty() && !(first_run && reminders_.quiet_first_run)) {
    round_.rows.insert(round_.rows.end(), run_rows_.begin(), run_rows_.end());
    const std::string site = health.last ? health.last->rule_name : "";
    if (std::find(round_.sites.begin(), round_.sites.end(), site) ==
        round_.sites.end()) {
      round_.sites.push_back(site);
    }
  }
  run_rows_.clear();
  health_.Set(rule_id, health);
  if (health.Unhealthy() && !was_broken && on_broken_) {
    on_broken_(rule_id, health);
  }
}

void WindowCollectView::ShowRulesReload(const RulesReload& reload) {
  ShowRuleTree(*this, reload.tree);
  for (int rule_id : reload.forgotten) health_.Forget(rule_id);
  if (on_rules_reload) on_rules_reload();
}

void WindowCollectView::ShowWaitingPosts(int count, const std::string& reason) {
  health_.SetWaiting(count, QString::fromLocal8Bit(reason.c_str()));
}

void WindowCollectView::RunOnGuiThread(std::function<void()> call) {
  QMetaObject::invokeMethod(&queue_, std::move(call), Qt::QueuedConnection);
}

}  // namespace dw
