#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "app/rules/health_board.h"
#include "collect/collect_view.h"

namespace dw {

class MainWindow;
class ReminderWindow;

// The collection engine's view of the two windows. Every operation runs on
// the GUI thread and acts on the widgets through the window operations.
class WindowCollectView : public CollectView {
 public:
  WindowCollectView(MainWindow* main_window, ReminderWindow* reminder_window);

  void ClearRuleTree() override;
  void AddRuleTreeItem(const std::string& text, int value,
                       int check_state) override;
  int RuleTreeItemCount() override;
  int RuleTreeCheckState(int index) override;
  int RuleTreeItemValue(int index) override;

  void ShowStatus(const std::string& message, const std::string& time) override;
  void InsertPostRow(const PostRow& row) override;
  void ClearReminders() override;
  void AddReminderRow(const ReminderRow& row) override;
  // Kept on the board that the rules button and the rules window read.
  void ShowRuleHealth(int rule_id, const RuleHealth& health) override;
  void ShowWaitingPosts(int count, const std::string& reason) override;

  // Rebuilds the rule tree and forgets the health of changed rules, then
  // tells `on_rules_reload`.
  void ShowRulesReload(const RulesReload& reload) override;
  std::function<void()> on_rules_reload;

  HealthBoard& Health() { return health_; }

  // Queued behind earlier calls; dropped unrun when the view is destroyed.
  void RunOnGuiThread(std::function<void()> call) override;

 private:
  MainWindow* main_;
  ReminderWindow* reminder_;
  HealthBoard health_;
  // Owns the queued calls: destroying it removes those not yet run.
  QObject queue_;
};

}  // namespace dw
