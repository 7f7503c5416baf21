#include "app/rules/collect_tab.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/rules/database_note.h"
#include "app/rules/save_row.h"

namespace dw {

CollectTab::CollectTab(Database& db, QWidget* parent)
    : QWidget(parent), db_(db) {
  pause_ = new QSpinBox(this);
  pause_->setObjectName("round_pause");
  pause_->setRange(kLeastRoundPauseSeconds, kMostRoundPauseSeconds);
  pause_->setSuffix(QString::fromUtf8(" 秒"));
  pause_->setToolTip(QString::fromUtf8(
      "一轮采集完所有勾选的规则后，等多久开始下一轮；最少 30 秒。"
      "某条规则要隔得更久，在它的“间隔（分钟）”里填写"));
  back_off_ =
      new QCheckBox(QString::fromUtf8("连续失败的站点少问几次（退避）"), this);
  back_off_->setObjectName("back_off");
  back_off_->setToolTip(QString::fromUtf8(
      "一条规则连续 3 轮失败后，隔 1、2、4……轮再试，最长 30 分钟一次；"
      "测试或保存它时立刻再试。站点回答 429 或 503 并要求稍后再来时，"
      "也照它说的时间等待。不勾选：每轮都采集每条勾选的规则"));
  const SaveRow foot = MakeSaveRow(this, "collect");
  message_ = foot.message;
  connect(foot.save, &QPushButton::clicked, this, &CollectTab::Save);

  auto* form = new QFormLayout;
  form->addRow(QString::fromUtf8("每轮之间等待"), pause_);
  form->addRow(back_off_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addLayout(foot.layout);
  Reload();
}

void CollectTab::Reload() {
  const CollectSettings settings =
      ReadCollectSettings(db_).value_or(CollectSettings());
  pause_->setValue(settings.round_pause_seconds);
  back_off_->setChecked(settings.back_off);
}

CollectSettings CollectTab::Chosen() const {
  CollectSettings settings;
  settings.round_pause_seconds = pause_->value();
  settings.back_off = back_off_->isChecked();
  return settings;
}

void CollectTab::ShowMessage(const QString& text, bool error) {
  ShowSaveMessage(message_, text, error);
}

bool CollectTab::Save() {
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);
  if (!SaveCollectSettings(db_, Chosen())) {
    ShowMessage(
        QString::fromUtf8("写入数据库失败，未保存") + DatabaseFailureNote(db_),
        true);
    return false;
  }
  ShowMessage(QString::fromUtf8("已保存。"));
  emit Saved();
  return true;
}

}  // namespace dw
