#include "app/rules/rule_test_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/rules/rule_report_text.h"
#include "runtime/ui/qt_text.h"

namespace dw {

RuleTestView::RuleTestView(QWidget* parent) : QWidget(parent) {
  summary_ = new QLabel(QString::fromUtf8("按“测试”按当前填写的内容试运行规则"
                                          "（不必先保存，也不必暂停采集）。"),
                        this);
  summary_->setObjectName("test_summary");
  summary_->setWordWrap(true);

  steps_ = new QTreeWidget(this);
  steps_->setObjectName("steps");
  steps_->setRootIsDecorated(false);
  steps_->setHeaderLabels(
      {QString::fromUtf8("步骤"), QString::fromUtf8("结果")});
  steps_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

  posts_ = new QTableWidget(0, 4, this);
  posts_->setObjectName("posts");
  posts_->setHorizontalHeaderLabels(
      {QString::fromUtf8("编号"), QString::fromUtf8("标题"),
       QString::fromUtf8("链接"), QString::fromUtf8("已保存")});
  posts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  posts_->setSelectionBehavior(QAbstractItemView::SelectRows);
  posts_->verticalHeader()->hide();
  QHeaderView* header = posts_->horizontalHeader();
  header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header->setSectionResizeMode(2, QHeaderView::Stretch);
  header->setSectionResizeMode(3, QHeaderView::ResizeToContents);
  posts_->setColumnWidth(1, 220);

  page_text_ = new QPlainTextEdit(this);
  page_text_->setObjectName("page_text");
  page_text_->setReadOnly(true);
  page_text_->setPlaceholderText(
      QString::fromUtf8("匹配规则看到的页面文本（截取并整理之后）"));

  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(steps_);
  split->addWidget(posts_);
  split->addWidget(page_text_);
  split->setStretchFactor(1, 2);
  split->setStretchFactor(2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(summary_);
  layout->addWidget(split, 1);
}

void RuleTestView::ShowMessage(const QString& text) { summary_->setText(text); }

void RuleTestView::ShowRunning() {
  ShowMessage(QString::fromUtf8("测试中……再按“测试”会取消这次、重新开始。"));
  steps_->clear();
  posts_->setRowCount(0);
  page_text_->clear();
}

void RuleTestView::ShowReport(const RuleReport& report) {
  steps_->clear();
  QString failed;
  for (const StepLine& line : ReportSteps(report)) {
    auto* item = new QTreeWidgetItem(steps_, {line.step, line.outcome});
    if (line.ok) continue;
    item->setForeground(1, QBrush(Qt::red));
    if (failed.isEmpty()) failed = line.step;
  }
  posts_->setRowCount(static_cast<int>(report.found.size()));
  for (int r = 0; r < posts_->rowCount(); ++r) {
    const FoundPost& post = report.found[r];
    const QString cells[] = {GbkToQString(post.id), GbkToQString(post.title),
                             GbkToQString(post.link),
                             QString::fromUtf8(post.stored ? "是" : "否")};
    for (int c = 0; c < 4; ++c) {
      posts_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
  }
  page_text_->setPlainText(GbkToQString(report.page_text));
  ShowMessage(report.failed_step == FailedStep::kNone
                  ? QString::fromUtf8("测试完成：找到 %1 条帖子。")
                        .arg(report.found.size())
                  : QString::fromUtf8("测试完成：规则在“%1”这一步没有通过。")
                        .arg(failed));
}

}  // namespace dw
