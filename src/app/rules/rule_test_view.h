#pragma once

#include <QWidget>

#include "collect/rule_report.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTreeWidget;

namespace dw {

// What a test of a rule found: each step with its outcome, the posts (id,
// title, link, already stored) and the two texts of the page, each saying
// which fields are searched in it: "页面原文" (the decoded page, where the
// markers are looked for, each marker marked where found) and "整理后" (the
// text the pattern sees, each match marked).
class RuleTestView : public QWidget {
  Q_OBJECT

 public:
  explicit RuleTestView(QWidget* parent = nullptr);

  void ShowRunning();
  void ShowReport(const RuleReport& report);
  void ShowMessage(const QString& text);
  // A warning about the rule's settings with a button that puts it right;
  // empty text hides both.
  void ShowAdvice(const QString& text, const QString& fix_caption);

  QTabWidget* Texts() const { return texts_; }

 signals:
  void FixRequested();

 private:
  QLabel* summary_;
  QLabel* advice_;
  QPushButton* fix_;
  QTreeWidget* steps_;
  QTableWidget* posts_;
  QTabWidget* texts_;
  QPlainTextEdit* decoded_text_;
  QPlainTextEdit* page_text_;
};

// The byte ranges [begin, end) of a GBK text as positions in the text
// view showing it (where CR LF is one line break); ranges out of order or
// outside the text are clamped.
std::vector<std::pair<int, int>> ShownRanges(
    const std::string& gbk,
    const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges);

}  // namespace dw
