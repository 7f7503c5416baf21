#pragma once

#include <string>

namespace dw {

// The check-box tree of rules on the main window, as the rule loader fills it
// and as the collection engine reads its ticks. Calls are made on the GUI
// thread only. Items are numbered from 0 in tree order.
class RuleTree {
 public:
  virtual ~RuleTree() = default;

  virtual void ClearRuleTree() = 0;
  // Appends an item at the end of the root level; `check_state` 1 is ticked.
  virtual void AddRuleTreeItem(const std::string& text, int value,
                               int check_state) = 0;
  virtual int RuleTreeItemCount() = 0;
  virtual int RuleTreeCheckState(int index) = 0;  // -1 for a bad index
  virtual int RuleTreeItemValue(int index) = 0;   // 0 for a bad index
};

}  // namespace dw
