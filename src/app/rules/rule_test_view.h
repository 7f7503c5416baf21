#pragma once

#include <QWidget>

#include "collect/rule_report.h"

class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QTreeWidget;

namespace dw {

// What a test of a rule found: each step with its outcome, the posts (id,
// title, link, already stored) and the page text the pattern saw, so a
// pattern can be written against what the program sees.
class RuleTestView : public QWidget {
  Q_OBJECT

 public:
  explicit RuleTestView(QWidget* parent = nullptr);

  void ShowRunning();
  void ShowReport(const RuleReport& report);
  void ShowMessage(const QString& text);

 private:
  QLabel* summary_;
  QTreeWidget* steps_;
  QTableWidget* posts_;
  QPlainTextEdit* page_text_;
};

}  // namespace dw
