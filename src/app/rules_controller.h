#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "store/reminder_settings.h"

namespace dw {

class MainWindow;
class RulesWindow;
class WindowCollectView;
struct ProgramState;

// Joins the rules window to the running program: the 规则 button, the
// ticks shared with the rule tree, and the way saved changes reach the
// engine. The rule tree, the rule table and the keyword list are loaded
// again at once when idle, by a running worker between two rounds, or, when
// paused, as soon as the worker has ended: a round never sees them change
// under it.
class RulesController : public QObject {
  Q_OBJECT

 public:
  RulesController(ProgramState& state, MainWindow& main,
                  WindowCollectView& view);
  ~RulesController() override;

  // The 规则 button: opens the window, or raises it when open.
  void OpenWindow();
  RulesWindow* Window() const { return window_.get(); }
  // Opens the window and 修复建议 for the rule of that id.
  void OpenRepair(int rule_id);

  // Around the start/pause button: called before a worker starts and after
  // one was asked to stop.
  void BeforeStart();
  void AfterStop();

  // After a save: loads the tables again now when idle, or marks them for
  // the next start. Returns what the rules window tells the user.
  QString ChangesSaved();
  bool ReloadPending() const { return pending_; }

  // The last push's failure, added to the 规则 button's tooltip until a
  // push succeeds (an empty `problem`).
  void ShowPushProblem(const QString& problem);
  // Called with the settings the 提醒 tab saved.
  void OnRemindersSaved(std::function<void(const ReminderSettings&)> apply) {
    reminders_saved_ = std::move(apply);
  }

 private:
  bool Collecting() const;
  bool Idle() const;
  void TakeUnclaimed();
  // False, with the reason in the status bar, when the database could not
  // be read: the tables in memory then stay as they were.
  bool ReloadTables();
  void TickTree(std::int64_t id, bool ticked);
  void UpdateButton();

  ProgramState& state_;
  MainWindow& main_;
  WindowCollectView& view_;
  std::unique_ptr<RulesWindow> window_;
  bool pending_ = false;
  // The engine's reason when the last reload failed.
  std::string reload_failure_;
  QString push_problem_;
  std::function<void(const ReminderSettings&)> reminders_saved_;
  // Watches a stopped worker end, to load pending changes as soon as idle.
  QTimer idle_check_;
};

}  // namespace dw
