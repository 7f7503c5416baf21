#include "app/rules/repair_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/rules/error_style.h"
#include "app/rules/learn_runner.h"
#include "app/rules/proposal_view.h"
#include "app/rules/runner_end.h"
#include "app/windows/screen_fit.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window_state.h"

namespace dw {

RepairWindow::RepairWindow(std::string database_path, RuleRow rule,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), rule_(std::move(rule)) {
  setWindowTitle(
      QString::fromUtf8("修复建议：%1").arg(GbkToQString(rule_.name)));
  runner_ = new LearnRunner(std::move(database_path), this);
  status_ = new QLabel(this);
  status_->setObjectName("repair_status");
  status_->setWordWrap(true);
  use_ = new QPushButton(QString::fromUtf8("采用"), this);
  use_->setObjectName("repair_use");
  use_->setEnabled(false);
  auto* again = new QPushButton(QString::fromUtf8("重试"), this);
  again->setObjectName("repair_again");
  view_ = new ProposalView(this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status_, 1);
  buttons->addWidget(again);
  buttons->addWidget(use_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(view_, 1);
  FitToScreen(this, QSize(760, 560));
  CloseOnEscape(this);

  auto use = [this] {
    if (const Proposal* chosen = view_->Chosen()) {
      emit Chosen(chosen->rule);
      close();
    }
  };
  connect(use_, &QPushButton::clicked, this, use);
  connect(view_, &ProposalView::Activated, this, use);
  connect(again, &QPushButton::clicked, this, &RepairWindow::Start);
  connect(runner_, &LearnRunner::Finished, this,
          [this](const LearnResult& result) {
            view_->Show(result, rule_);
            use_->setEnabled(!result.proposals.empty());
            status_->setText(
                result.proposals.empty()
                    ? QString::fromStdString(result.message)
                    : QString::fromUtf8(
                          "改动的字段标为红色；采用后在编辑器里检查并保存。"));
            status_->setStyleSheet(result.proposals.empty() ? kErrorStyle : "");
          });
}

RepairWindow::~RepairWindow() { EndRunnerOf(this, runner_); }

void RepairWindow::Start() {
  view_->Clear();
  use_->setEnabled(false);
  status_->setStyleSheet("");
  status_->setText(QString::fromUtf8("正在取页面，找回已存的帖子……"));
  runner_->StartRepair(rule_);
}

}  // namespace dw
