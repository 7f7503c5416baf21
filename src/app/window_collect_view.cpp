#include "app/window_collect_view.h"

#include <QMetaObject>
#include <vector>

#include "app/windows/main_window.h"
#include "app/windows/reminder_window.h"
#include "app/windows/window_ops.h"
#include "collect/saved_rules.h"

namespace dw {

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
  StatusSetText(main_->Status(), 1, message);
  StatusSetText(main_->Status(), 2, time);
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
  if (batch_.empty()) return;
  const std::vector<ReminderRow> batch = std::move(batch_);
  batch_.clear();
  if (on_batch_) on_batch_(batch);
}

void WindowCollectView::ShowRuleHealth(int rule_id, const RuleHealth& health) {
  health_.Set(rule_id, health);
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
