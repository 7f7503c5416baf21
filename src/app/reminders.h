#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop/push_sender.h"
#include "app/window_collect_view.h"
#include "collect/collect_view.h"
#include "store/reminder_settings.h"

class QWidget;

namespace dw {

class DesktopNotice;
class MainWindow;
class RulesController;
class TrayIcon;

// The push form for a round: `title` holds "N 条新线报" and the sites,
// `desp` each post's title and link, one post a line, at most
// kPushLines lines (the last then counts the rest).
inline constexpr int kPushLines = 20;
PushForm BatchPushForm(const RoundNews& news);
// The notification's summary ("N 条新线报") and body (the sites, the first
// titles and how many more).
QString BatchNoticeSummary(const RoundNews& news);
QString BatchNoticeBody(const RoundNews& news);

// The reminders that come once a batch of new posts (the sound, the push,
// the desktop notification, the tray's count) and the tray icon itself.
// GUI thread.
class Reminders : public QObject {
  Q_OBJECT

 public:
  struct Links {
    MainWindow* main = nullptr;
    WindowCollectView* view = nullptr;
    RulesController* rules = nullptr;
    std::string log_path;  // where a failed push is written; may be empty
    std::function<void()> quit;
    std::function<void()> history;  // opens the history window
  };

  explicit Reminders(Links links);
  ~Reminders() override;

  // The settings from now on.
  void Apply(const ReminderSettings& settings);
  void OnBatch(const RoundNews& news);
  // Tells of a rule that broke: once, with 修复建议 as the action.
  void OnRuleBroken(int rule_id, const RuleHealth& health);
  const ReminderSettings& Settings() const { return settings_; }

  // True when closing the main window should only hide it in the tray.
  bool HideOnClose() const;
  TrayIcon* Tray() const { return tray_.get(); }
  PushSender* Pusher() const { return pusher_; }
  DesktopNotice* Notice() const { return notice_; }

 private:
  void PushDone(const QString& address, const QString& problem);
  // A line of the log beside the database, after the time.
  void Log(const std::string& line);
  // The tray's warning follows the broken rules of the tree.
  void ShowBroken();

  Links links_;
  ReminderSettings settings_;
  PushSender* pusher_;
  DesktopNotice* notice_;
  std::unique_ptr<TrayIcon> tray_;
  bool sound_noted_ = false;
};

}  // namespace dw
