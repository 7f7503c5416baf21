#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "app/rules/health_board.h"
#include "collect/collect_view.h"
#include "store/reminder_settings.h"

namespace dw {

class MainWindow;
class ReminderWindow;

// What one round reminded of, for the channels that speak once a round
// (desktop notification, push, sound, the tray's count).
struct RoundNews {
  std::vector<ReminderRow> rows;   // in the order announced
  std::vector<std::string> sites;  // rule names (GBK), as first announced
};

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

  // The round's closing message gets "，N 条规则失败" while N ticked rules
  // are broken.
  void ShowStatus(const std::string& message, const std::string& time) override;
  void InsertPostRow(const PostRow& row) override;
  void InsertPostRows(const std::vector<PostRow>& rows) override;
  void ClearReminders() override;
  // Only posts the settings remind of count; the reminder window shows
  // them when its switch is on.
  void AddReminderRow(const ReminderRow& row) override;
  void AddReminderRows(const std::vector<ReminderRow>& rows) override;
  void EndReminderBatch() override;
  // Kept on the board that the rules button and the rules window read.
  void ShowRuleHealth(int rule_id, const RuleHealth& health) override;
  void ShowWaitingPosts(int count, const std::string& reason) override;

  // Rebuilds the rule tree and forgets the health of changed rules, then
  // tells `on_rules_reload`.
  void ShowRulesReload(const RulesReload& reload) override;
  std::function<void()> on_rules_reload;

  HealthBoard& Health() { return health_; }

  // How to remind; the reminder window alone until set.
  void SetReminders(const ReminderSettings& settings) { reminders_ = settings; }
  const ReminderSettings& Reminders() const { return reminders_; }
  // Called once a round (at its end, or at the start of the next when it
  // was cut short) with the posts reminded of. A rule's first run is left
  // out while the settings keep it quiet: a rule without a run on the
  // board is one just added (or changed, which forgets its runs).
  void OnReminderBatch(std::function<void(const RoundNews&)> handle) {
    on_batch_ = std::move(handle);
  }
  // Called once when a rule's runs have failed enough rounds in a row to
  // count as broken; it speaks again only after it recovered.
  void OnRuleBroken(std::function<void(int, const RuleHealth&)> handle) {
    on_broken_ = std::move(handle);
  }

  // Queued behind earlier calls; dropped unrun when the view is destroyed.
  void RunOnGuiThread(std::function<void()> call) override;

 private:
  MainWindow* main_;
  ReminderWindow* reminder_;
  HealthBoard health_;
  ReminderSettings reminders_;
  void EndRound();

  std::vector<ReminderRow> batch_;     // of the rule run under way
  std::vector<ReminderRow> run_rows_;  // of a run whose health is to come
  RoundNews round_;
  std::function<void(const RoundNews&)> on_batch_;
  std::function<void(int, const RuleHealth&)> on_broken_;
  // Owns the queued calls: destroying it removes those not yet run.
  QObject queue_;
};

}  // namespace dw
