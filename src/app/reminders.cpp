#include "app/reminders.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QWindow>

#include "app/desktop/desktop_notice.h"
#include "app/desktop/event_sound.h"
#include "app/desktop/tray_icon.h"
#include "app/rules_controller.h"
#include "app/window_collect_view.h"
#include "app/windows/main_window.h"
#include "collect/run_log.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

constexpr int kNoticeTitles = 3;  // a notification stays short

}  // namespace

void BringToFront(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

PushForm BatchPushForm(const std::vector<ReminderRow>& batch) {
  QString lines;
  for (const ReminderRow& row : batch) {
    lines += GbkToQString(row.title) + " " + GbkToQString(row.link) + "\n";
  }
  return {{"title", QString::fromUtf8("%1 条新线报：").arg(batch.size()) +
                        GbkToQString(batch.empty() ? "" : batch.front().title)},
          {"desp", lines}};
}

QString BatchNoticeSummary(const std::vector<ReminderRow>& batch) {
  return QString::fromUtf8("%1 条新线报").arg(batch.size());
}

QString BatchNoticeBody(const std::vector<ReminderRow>& batch) {
  QStringList titles;
  for (const ReminderRow& row : batch) {
    if (titles.size() == kNoticeTitles) {
      titles << QString::fromUtf8("……");
      break;
    }
    // The body may hold markup: titles are shown as they are.
    titles << GbkToQString(row.title).toHtmlEscaped();
  }
  return titles.join("\n");
}

Reminders::Reminders(Links links) : links_(std::move(links)) {
  pusher_ = new PushSender(this);
  connect(pusher_, &PushSender::Finished, this, &Reminders::PushDone);
  notice_ = new DesktopNotice(this);
  MainWindow* main = links_.main;
  connect(notice_, &DesktopNotice::Clicked, this,
          [main] { BringToFront(main); });

  TrayActions tray;
  tray.raise = [main] { BringToFront(main); };
  tray.start_pause = [main] { main->StartButton()->click(); };
  tray.history = links_.history;
  tray.rules = [rules = links_.rules] { rules->OpenWindow(); };
  tray.quit = links_.quit;
  tray_ = std::make_unique<TrayIcon>(std::move(tray));
  connect(tray_->Menu(), &QMenu::aboutToShow, this, [this, main] {
    tray_->SetStartPauseCaption(main->StartButton()->text());
  });
  // Looking at the main window is looking at what was announced.
  connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
          [this, main](QWindow* focused) {
            if (focused && focused == main->windowHandle()) {
              tray_->ClearAnnounced();
            }
          });
  links_.view->OnReminderBatch(
      [this](const std::vector<ReminderRow>& batch) { OnBatch(batch); });
}

Reminders::~Reminders() { links_.view->OnReminderBatch(nullptr); }

void Reminders::Apply(const ReminderSettings& settings) {
  settings_ = settings;
  links_.view->SetReminders(settings);
}

bool Reminders::HideOnClose() const {
  return settings_.close_to_tray && TrayIcon::Available();
}

void Reminders::OnBatch(const std::vector<ReminderRow>& batch) {
  if (batch.empty()) return;
  if (!links_.main->isActiveWindow()) {
    tray_->AddAnnounced(static_cast<int>(batch.size()));
  }
  if (settings_.sound) PlayEventSound();
  if (settings_.desktop_notice) {
    notice_->Show(BatchNoticeSummary(batch), BatchNoticeBody(batch));
  }
  if (settings_.push) {
    pusher_->Send(GbkToQString(settings_.push_address), BatchPushForm(batch));
  }
}

void Reminders::PushDone(const QString& address, const QString& problem) {
  links_.rules->ShowPushProblem(problem);
  if (problem.isEmpty()) return;
  AppendToLog(links_.log_path, QDateTime::currentDateTime()
                                       .toString("yyyy-MM-dd HH:mm:ss")
                                       .toStdString() +
                                   "\tpush failed\t" +
                                   LogField(address.toStdString()) + "\t" +
                                   LogField(problem.toStdString()) + "\n");
}

}  // namespace dw
