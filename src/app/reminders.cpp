#include "app/reminders.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QWindow>
#include <cstring>

#include "app/desktop/desktop_notice.h"
#include "app/desktop/event_sound.h"
#include "app/desktop/tray_icon.h"
#include "app/rules/rule_report_text.h"
#include "app/rules/rules_button.h"
#include "app/rules_controller.h"
#include "app/window_collect_view.h"
#include "app/windows/main_window.h"
#include "collect/run_log.h"
#include "runtime/date_time.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_ops.h"

namespace dw {
namespace {

constexpr int kNoticeTitles = 5;  // a notification stays short
const char kRepairAction[] = "repair:";

QString Sites(const RoundNews& news) {
  QStringList sites;
  for (const std::string& site : news.sites) {
    if (!site.empty()) sites << GbkToQString(site);
  }
  return sites.join(QString::fromUtf8("、"));
}

}  // namespace

PushForm BatchPushForm(const RoundNews& news) {
  const int count = static_cast<int>(news.rows.size());
  // A post a line; past the limit the last line counts the rest.
  const int listed = count > kPushLines ? kPushLines - 1 : count;
  QString lines;
  for (int i = 0; i < listed; ++i) {
    lines += GbkToQString(news.rows[i].title) + " " +
             GbkToQString(news.rows[i].link) + "\n";
  }
  if (listed < count) {
    lines += QString::fromUtf8("……另有 %1 条\n").arg(count - listed);
  }
  const QString sites = Sites(news);
  return {{"title",
           BatchNoticeSummary(news) +
               (sites.isEmpty() ? QString() : QString::fromUtf8("：") + sites)},
          {"desp", lines}};
}

QString BatchNoticeSummary(const RoundNews& news) {
  return QString::fromUtf8("%1 条新线报").arg(news.rows.size());
}

QString BatchNoticeBody(const RoundNews& news) {
  QStringList lines;
  const QString sites = Sites(news);
  // The body may hold markup: what the sites wrote is shown as it is.
  if (!sites.isEmpty()) lines << sites.toHtmlEscaped();
  const int count = static_cast<int>(news.rows.size());
  for (int i = 0; i < count && i < kNoticeTitles; ++i) {
    lines << GbkToQString(news.rows[i].title).toHtmlEscaped();
  }
  if (count > kNoticeTitles) {
    lines << QString::fromUtf8("……另有 %1 条").arg(count - kNoticeTitles);
  }
  return lines.join("\n");
}

Reminders::Reminders(Links links) : links_(std::move(links)) {
  pusher_ = new PushSender(this);
  connect(pusher_, &PushSender::Finished, this, &Reminders::PushDone);
  notice_ = new DesktopNotice(this);
  MainWindow* main = links_.main;
  connect(notice_, &DesktopNotice::Clicked, this,
          [main] { BringToFront(main); });
  connect(notice_, &DesktopNotice::Chosen, this,
          [rules = links_.rules](const QString& action) {
            if (action.startsWith(kRepairAction)) {
              rules->OpenRepair(action.mid(strlen(kRepairAction)).toInt());
            }
          });

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
      [this](const RoundNews& news) { OnBatch(news); });
  links_.view->OnRuleBroken([this](int rule_id, const RuleHealth& health) {
    OnRuleBroken(rule_id, health);
  });
  connect(&links_.view->Health(), &HealthBoard::Changed, this,
          &Reminders::ShowBroken);
  ShowBroken();
}

Reminders::~Reminders() {
  links_.view->OnReminderBatch(nullptr);
  links_.view->OnRuleBroken(nullptr);
}

void Reminders::Apply(const ReminderSettings& settings) {
  settings_ = settings;
  links_.view->SetReminders(settings);
}

bool Reminders::HideOnClose() const {
  return settings_.close_to_tray && TrayIcon::Available();
}

void Reminders::OnBatch(const RoundNews& news) {
  if (news.rows.empty()) return;
  if (!links_.main->isActiveWindow()) {
    tray_->AddAnnounced(static_cast<int>(news.rows.size()));
  }
  std::string no_sound;
  if (settings_.sound && !PlayEventSound(&no_sound) && !sound_noted_) {
    // Once a session: the sound stays as unavailable as it was.
    sound_noted_ = true;
    Log("sound unavailable\t" + LogField(no_sound));
  }
  if (settings_.desktop_notice) {
    notice_->Show(BatchNoticeSummary(news), BatchNoticeBody(news));
  }
  if (settings_.push) {
    pusher_->Send(GbkToQString(settings_.push_address), BatchPushForm(news));
  }
}

void Reminders::OnRuleBroken(int rule_id, const RuleHealth& health) {
  // Told whatever the switches say: a watcher that stopped watching a site
  // is what the user must not miss.
  const QString name = GbkToQString(health.last ? health.last->rule_name : "");
  notice_->Show(QString::fromUtf8("规则 %1：%2")
                    .arg(name, RuleStatusText(&health, Now())),
                QString::fromUtf8("已连续 %1 轮失败，这个站点的新帖收不到了。")
                    .arg(health.failing_rounds),
                kRepairAction + QString::number(rule_id),
                QString::fromUtf8("修复建议"));
}

void Reminders::ShowBroken() {
  tray_->SetBroken(BrokenRules(links_.main->RuleTree(), links_.view->Health()));
}

void Reminders::PushDone(const QString& address, const QString& problem) {
  links_.rules->ShowPushProblem(problem);
  if (problem.isEmpty()) return;
  Log("push failed\t" + LogField(address.toStdString()) + "\t" +
      LogField(problem.toStdString()));
}

void Reminders::Log(const std::string& line) {
  AppendToLog(links_.log_path, QDateTime::currentDateTime()
                                       .toString("yyyy-MM-dd HH:mm:ss")
                                       .toStdString() +
                                   "\t" + line + "\n");
}

}  // namespace dw
