#include "app/window_collect_view.h"

#include <QMetaObject>

#include "app/main_window.h"
#include "app/reminder_window.h"
#include "app/window_ops.h"

namespace dw {

WindowCollectView::WindowCollectView(MainWindow* main_window,
                                     ReminderWindow* reminder_window)
    : main_(main_window), reminder_(reminder_window) {}

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
  ListBox* list = main_->PostList();
  const int index = ListInsertRow(list, 0);
  ListSetItemText(list, index, 0, row.rule_id);
  ListSetItemText(list, index, 1, row.link);
  ListSetItemText(list, index, 2, row.rule_name);
  ListSetItemText(list, index, 3, row.title);
  ListSetItemText(list, index, 4, row.fetch_time);
  if (row.keyword_hit) ListSetItemImage(list, index, 3, 0);
}

void WindowCollectView::ClearReminders() {
  ListClear(reminder_->ReminderList());
}

void WindowCollectView::AddReminderRow(const ReminderRow& row) {
  ListBox* list = reminder_->ReminderList();
  const int index = ListInsertRow(list, 0);
  ListSetItemText(list, index, 0, row.title);
  ListSetItemText(list, index, 1, row.link);
  ListSetItemText(list, index, 2, row.time);
  // Showing starts the count-down; rows added while shown do not restart it.
  if (!ReadBoolProperty(reminder_, kPropVisible)) {
    WriteProperty(reminder_, kPropVisible, true);
  }
}

void WindowCollectView::RunOnGuiThread(std::function<void()> call) {
  QMetaObject::invokeMethod(&queue_, std::move(call), Qt::QueuedConnection);
}

}  // namespace dw
