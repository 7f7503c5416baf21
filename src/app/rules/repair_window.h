#pragma once

#include <QWidget>
#include <string>

#include "store/rule_row.h"

class QLabel;
class QPushButton;

namespace dw {

class LearnRunner;
class ProposalView;

// "修复建议" for one rule: its newest stored posts are looked for on today's
// page on a worker thread, and the mended rules are shown against the old
// one. 采用 hands the chosen one on, unsaved; closing cancels the search.
class RepairWindow : public QWidget {
  Q_OBJECT

 public:
  RepairWindow(std::string database_path, RuleRow rule,
               QWidget* parent = nullptr);
  ~RepairWindow() override;

  void Start();
  LearnRunner& Runner() { return *runner_; }

 signals:
  void Chosen(const RuleRow& row);

 private:
  RuleRow rule_;
  LearnRunner* runner_;
  QLabel* status_;
  QPushButton* use_;
  ProposalView* view_;
};

}  // namespace dw
