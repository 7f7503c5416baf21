#pragma once

#include <string>

namespace dw {

// One row of the post list, complete, so the window never shows half a row.
struct PostRow {
  std::string rule_id;     // column 0, decimal
  std::string link;        // column 1
  std::string rule_name;   // column 2
  std::string title;       // column 3
  std::string fetch_time;  // column 4
  bool keyword_hit = false;  // image 0 on column 3
};

// One row of the reminder list.
struct ReminderRow {
  std::string title;
  std::string link;
  std::string time;
};

// What the collection engine needs of the windows. The application shell
// implements it; tests implement it with a recording object. All text is GBK.
//
// The rule-tree calls are made on the GUI thread (loading at start-up,
// reading the ticks when collection starts). Every other call may come from
// the collection worker: an implementation must hand it to the GUI thread
// without waiting for it, and must drop whatever arrives from a worker that
// has been stopped since.
class CollectView {
 public:
  virtual ~CollectView() = default;

  // Rule tree.
  virtual void ClearRuleTree() = 0;
  virtual void AddRuleTreeItem(const std::string& text, int value,
                               int check_state) = 0;
  virtual int RuleTreeItemCount() = 0;
  virtual int RuleTreeCheckState(int index) = 0;  // -1 for a bad index
  virtual int RuleTreeItemValue(int index) = 0;   // 0 for a bad index

  // Status bar: part 1 gets `message`, part 2 gets `time`.
  virtual void ShowStatus(const std::string& message,
                          const std::string& time) = 0;

  // Post list: insert at the top.
  virtual void InsertPostRow(const PostRow& row) = 0;

  // Reminder window.
  virtual void ClearReminders() = 0;
  // Inserts at the top and shows the window when it is hidden.
  virtual void AddReminderRow(const ReminderRow& row) = 0;
};

}  // namespace dw
