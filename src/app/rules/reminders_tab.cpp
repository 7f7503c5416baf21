#include "app/rules/reminders_tab.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/desktop/autostart.h"
#include "app/desktop/push_sender.h"
#include "app/rules/error_style.h"
#include "app/rules/save_row.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

// Each switch: its object name, caption and what it says when hovered.
struct Switch {
  const char* name;
  const char* caption;
  const char* help;
  bool ReminderSettings::*field;  // null: the login entry, kept as a file
};
const Switch kSwitches[] = {
    {"tx_tc", "弹窗", "新帖出现时弹出提醒窗口", &ReminderSettings::window},
    {"tx_sy", "声音", "每批新帖提示一声（桌面的提示音）",
     &ReminderSettings::sound},
    {"tx_onlygz", "只提醒关注",
     "只为标题含关键词的帖子提醒；所有帖子照样列出和保存",
     &ReminderSettings::only_keywords},
    {"desktop_notice", "桌面通知", "每批新帖发一条桌面通知，点击可打开主窗口",
     &ReminderSettings::desktop_notice},
    {"tx_wx", "推送", "每批新帖推送到下面的地址（POST 表单：title、desp）",
     &ReminderSettings::push},
    {"quiet_first_run", "新规则首轮不提醒",
     "新建、导入或复制的规则第一次运行时只列出和保存帖子，不发通知、推送和声音",
     &ReminderSettings::quiet_first_run},
    {"close_to_tray", "关闭窗口时最小化到托盘",
     "有托盘时，关闭主窗口只是把它藏进托盘，程序继续采集",
     &ReminderSettings::close_to_tray},
    {"start_on_launch", "启动时开始采集", "程序一启动就开始采集，不用点“开始”",
     &ReminderSettings::start_on_launch},
    {"autostart", "登录时启动", "登录桌面时自动启动本程序", nullptr},
};

}  // namespace

RemindersTab::RemindersTab(Database& db, QWidget* parent)
    : QWidget(parent), db_(db) {
  sender_ = new PushSender(this);
  auto* form = new QVBoxLayout;
  for (const Switch& s : kSwitches) {
    auto* box = new QCheckBox(QString::fromUtf8(s.caption), this);
    box->setObjectName(s.name);
    box->setToolTip(QString::fromUtf8(s.help));
    connect(box, &QCheckBox::toggled, this, [this] {
      modified_ = true;
      CheckAddress();
    });
    form->addWidget(box);
    if (QLatin1String(s.name) == QLatin1String("tx_wx")) {
      address_ = new QLineEdit(this);
      address_->setObjectName("tx_wxkey");
      address_->setPlaceholderText(
          QString::fromUtf8("推送地址，如 https://example.com/send/密钥"));
      send_test_ = new QPushButton(QString::fromUtf8("发送测试"), this);
      send_test_->setObjectName("send_test");
      connect(send_test_, &QPushButton::clicked, this, &RemindersTab::SendTest);
      connect(address_, &QLineEdit::textEdited, this, [this] {
        modified_ = true;
        CheckAddress();
      });
      auto* row = new QHBoxLayout;
      row->setContentsMargins(24, 0, 0, 0);
      row->addWidget(address_, 1);
      row->addWidget(send_test_);
      form->addLayout(row);
    }
  }
  connect(sender_, &PushSender::Finished, this,
          [this](const QString&, const QString& problem) {
            send_test_->setEnabled(true);
            ShowMessage(problem.isEmpty()
                            ? QString::fromUtf8("测试推送已送达。")
                            : QString::fromUtf8("测试推送失败：") + problem,
                        !problem.isEmpty());
          });

  const SaveRow foot = MakeSaveRow(this, "reminders");
  message_ = foot.message;
  connect(foot.save, &QPushButton::clicked, this, &RemindersTab::Save);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addLayout(foot.layout);
  Reload();
}

RemindersTab::~RemindersTab() = default;

QCheckBox* RemindersTab::Box(const char* name) const {
  return findChild<QCheckBox*>(QString::fromLatin1(name));
}

void RemindersTab::Reload() {
  if (modified_) return;
  Show(ReadReminderSettings(db_));
}

void RemindersTab::Show(const ReminderSettings& settings) {
  for (const Switch& s : kSwitches) {
    const bool on = s.field ? settings.*s.field : AutostartEnabled();
    QSignalBlocker quiet(Box(s.name));
    Box(s.name)->setChecked(on);
  }
  address_->setText(GbkToQString(settings.push_address));
  modified_ = false;
  CheckAddress();
}

ReminderSettings RemindersTab::Chosen() const {
  ReminderSettings settings;
  for (const Switch& s : kSwitches) {
    if (s.field) settings.*s.field = Box(s.name)->isChecked();
  }
  settings.push_address = QStringToGbk(address_->text().trimmed());
  return settings;
}

void RemindersTab::CheckAddress() {
  const QString address = address_->text().trimmed();
  const bool usable = IsPushAddress(address);
  send_test_->setEnabled(usable);
  const bool wrong = !address.isEmpty() && !usable;
  address_->setStyleSheet(wrong ? kErrorStyle : "");
  address_->setToolTip(
      wrong ? QString::fromUtf8("不是 http:// 或 https:// 开头的完整地址")
            : QString());
}

void RemindersTab::ShowMessage(const QString& text, bool error) {
  ShowSaveMessage(message_, text, error);
}

bool RemindersTab::Save() {
  const ReminderSettings settings = Chosen();
  const QString address = address_->text().trimmed();
  if (settings.push && !IsPushAddress(address)) {
    ShowMessage(QString::fromUtf8("推送已勾选，但推送地址不是 http(s) "
                                  "地址，未保存。"),
                true);
    return false;
  }
  if (GbkToQString(settings.push_address) != address) {
    ShowMessage(QString::fromUtf8("推送地址有 GBK 无法表示的字符，未保存。"),
                true);
    return false;
  }
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);  // and what the write sets off
  if (!SaveReminderSettings(db_, settings)) {
    ShowMessage(QString::fromUtf8("写入数据库失败，未保存。"), true);
    return false;
  }
  modified_ = false;
  // The entry is touched only when asked to change: it may name another
  // copy of the program.
  const bool login = Box("autostart")->isChecked();
  if (login != AutostartEnabled() &&
      !SetAutostart(login, QCoreApplication::applicationFilePath())) {
    ShowMessage(QString::fromUtf8(login ? "已保存，但无法写入登录启动项 "
                                        : "已保存，但无法删除登录启动项 ") +
                    AutostartEntryPath(),
                true);
  } else {
    ShowMessage(QString::fromUtf8("已保存，立即生效。"));
  }
  emit Saved(settings);
  return true;
}

void RemindersTab::SendTest() {
  const QString address = address_->text().trimmed();
  ShowMessage(QString::fromUtf8("正在发送测试推送……"));
  send_test_->setEnabled(false);
  if (!sender_->Send(
          address,
          {{"title", QString::fromUtf8("Deal Watcher 推送测试")},
           {"desp", QString::fromUtf8("收到这条，说明推送地址可用。")}})) {
    send_test_->setEnabled(IsPushAddress(address));
  }
}

}  // namespace dw
