#pragma once

#include <QWidget>
#include <string>

#include "store/rule_row.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace dw {

class LearnRunner;
class ProposalView;

// "从示例新建", the first page of 新建: the page address and one or two post
// titles as the user sees them. 生成 fetches the page on a worker thread and
// shows up to three proposed rules with the posts each finds; 采用 hands the
// chosen one on, unsaved. 手动填写 goes to the empty editor instead. A second
// 生成, or closing the window, cancels the learning under way.
class LearnWindow : public QWidget {
  Q_OBJECT

 public:
  LearnWindow(std::string database_path, QWidget* parent = nullptr);
  ~LearnWindow() override;

  void Generate();
  LearnRunner& Runner() { return *runner_; }

 signals:
  void Chosen(const RuleRow& row);
  void Manual();

 private:
  void Use();

  LearnRunner* runner_;
  QLineEdit* url_;
  QLineEdit* first_;
  QLineEdit* second_;
  QPushButton* generate_;
  QPushButton* use_;
  QLabel* status_;
  ProposalView* view_;
};

}  // namespace dw
