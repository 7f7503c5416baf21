#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop/push_sender.h"
#include "collect/collect_view.h"
#include "store/reminder_settings.h"

class QWidget;

namespace dw {

class DesktopNotice;
class MainWindow;
class RulesController;
class TrayIcon;
class WindowCollectView;

// Shows a window at the front, out of the tray or the task bar.
void BringToFront(QWidget* window);

// The push form for a batch: `title` holds the count and the first title,
// `desp` each post's title and link, one post a line.
PushForm BatchPushForm(const std::vector<ReminderRow>& batch);
// The notification's summary (the count) and body (the first titles).
QString BatchNoticeSummary(const std::vector<ReminderRow>& batch);
QString BatchNoticeBody(const std::vector<ReminderRow>& batch);

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
  void OnBatch(const std::vector<ReminderRow>& batch);
  const ReminderSettings& Settings() const { return settings_; }

  // True when closing the main window should only hide it in the tray.
  bool HideOnClose() const;
  TrayIcon* Tray() const { return tray_.get(); }
  PushSender* Pusher() const { return pusher_; }
  DesktopNotice* Notice() const { return notice_; }

 private:
  void PushDone(const QString& address, const QString& problem);

  Links links_;
  ReminderSettings settings_;
  PushSender* pusher_;
  DesktopNotice* notice_;
  std::unique_ptr<TrayIcon> tray_;
};

}  // namespace dw
