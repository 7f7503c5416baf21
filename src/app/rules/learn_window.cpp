#include "app/rules/learn_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/rules/error_style.h"
#include "app/rules/learn_runner.h"
#include "app/rules/proposal_view.h"
#include "app/rules/runner_end.h"
#include "app/windows/screen_fit.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window_state.h"
#include "runtime/web_address.h"

namespace dw {

LearnWindow::LearnWindow(std::string database_path, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setWindowTitle(QString::fromUtf8("从示例新建"));
  runner_ = new LearnRunner(std::move(database_path), this);
  url_ = new QLineEdit(this);
  url_->setObjectName("learn_url");
  url_->setPlaceholderText("https://");
  first_ = new QLineEdit(this);
  first_->setObjectName("learn_example1");
  second_ = new QLineEdit(this);
  second_->setObjectName("learn_example2");
  for (QLineEdit* example : {first_, second_}) {
    example->setPlaceholderText(QString::fromUtf8(
        "页面上一个帖子的标题（可复制粘贴，结尾可用 … 省略）"));
  }
  generate_ = new QPushButton(QString::fromUtf8("生成"), this);
  generate_->setObjectName("learn_generate");
  auto* manual = new QPushButton(QString::fromUtf8("手动填写"), this);
  manual->setObjectName("learn_manual");
  use_ = new QPushButton(QString::fromUtf8("采用"), this);
  use_->setObjectName("learn_use");
  use_->setEnabled(false);
  status_ = new QLabel(this);
  status_->setObjectName("learn_status");
  status_->setWordWrap(true);
  status_->setText(QString::fromUtf8("订阅源（RSS、Atom）不需要示例标题。"));
  view_ = new ProposalView(this);

  auto* form = new QFormLayout;
  form->addRow(QString::fromUtf8("页面地址"), url_);
  form->addRow(QString::fromUtf8("示例标题一"), first_);
  form->addRow(QString::fromUtf8("示例标题二"), second_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status_, 1);
  buttons->addWidget(generate_);
  buttons->addWidget(use_);
  buttons->addWidget(manual);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->addWidget(view_, 1);
  FitToScreen(this, QSize(760, 560));
  CloseOnEscape(this);

  connect(generate_, &QPushButton::clicked, this, &LearnWindow::Generate);
  connect(url_, &QLineEdit::returnPressed, this, &LearnWindow::Generate);
  connect(use_, &QPushButton::clicked, this, &LearnWindow::Use);
  connect(view_, &ProposalView::Activated, this, &LearnWindow::Use);
  connect(manual, &QPushButton::clicked, this, [this] {
    emit Manual();
    close();
  });
  connect(
      runner_, &LearnRunner::Finished, this, [this](const LearnResult& result) {
        generate_->setText(QString::fromUtf8("生成"));
        view_->Show(result, std::nullopt);
        use_->setEnabled(!result.proposals.empty());
        const bool failed = result.proposals.empty();
        QString text = QString::fromStdString(result.message);
        if (!failed) {
          text = QString::fromUtf8("选一个方案，采用后在编辑器里检查并保存。") +
                 (text.isEmpty() ? QString() : "  " + text);
        }
        status_->setText(text);
        status_->setStyleSheet(failed ? kErrorStyle : "");
      });
}

LearnWindow::~LearnWindow() { EndRunnerOf(this, runner_); }

void LearnWindow::Generate() {
  const QString url = url_->text().trimmed();
  if (!IsHttpAddress(url.toStdString())) {
    status_->setText(
        QString::fromUtf8("页面地址要以 http:// 或 https:// 开头。"));
    status_->setStyleSheet(kErrorStyle);
    return;
  }
  std::vector<std::string> examples;
  for (QLineEdit* example : {first_, second_}) {
    if (!example->text().trimmed().isEmpty()) {
      examples.push_back(QStringToGbk(example->text().trimmed()));
    }
  }
  view_->Clear();
  use_->setEnabled(false);
  status_->setStyleSheet("");
  status_->setText(
      QString::fromUtf8("正在取页面并找帖子……再按一次“生成”重新开始。"));
  runner_->StartLearn(QStringToGbk(url), std::move(examples));
}

void LearnWindow::Use() {
  const Proposal* chosen = view_->Chosen();
  if (!chosen) return;
  emit Chosen(chosen->rule);
  close();
}

}  // namespace dw
