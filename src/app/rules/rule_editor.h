#pragma once

#include <QDialog>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/rules/rule_report_text.h"
#include "runtime/database.h"
#include "store/rule_checks.h"
#include "store/rule_row.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace dw {

struct RuleField;
class RuleTestRunner;
class RuleTestView;

struct RuleEditorSetup {
  Database* db = nullptr;     // the rules window's connection (GUI thread)
  std::string database_path;  // the test opens a connection of its own
  RuleRow row;                // what the fields start with
  bool existing = false;      // `row` is the stored row with its id
  // What the fields show in place of `row`, not yet saved (a proposed rule).
  std::optional<RuleRow> unsaved;
};

// The form for one rule: a field per column with its label, help line and
// a note for what the checks say of it; 测试 runs the rule as typed, 保存
// checks it and writes it. The fields edit a copy: the stored row is only
// written by a save that passed every check, and only when it still is what
// the editor loaded.
class RuleEditor : public QDialog {
  Q_OBJECT

 public:
  explicit RuleEditor(RuleEditorSetup setup, QWidget* parent = nullptr);
  ~RuleEditor() override;

  // The whole save: false, with the reasons shown, when nothing was written.
  bool Save();
  void Test();
  void ShowBanner(const QString& text, bool error = false);
  // The rules window wrote a tick: the editor of that rule takes it as
  // loaded (and shows it, unless the field was changed by hand).
  void TickWritten(std::int64_t id, const std::string& isdo);
  // The engine took the saved changes: a banner saying they wait goes.
  void ChangesTookEffect();

  RuleTestRunner& Runner() { return *runner_; }

  // The text of a column's input as the row takes it (a list or a check
  // box gives its code), and setting it as a load does.
  QString FieldText(const std::string& column) const;
  void SetFieldText(const std::string& column, const QString& text);

 signals:
  void Saved(const RuleRow& row);
  // A test of the rule as typed began.
  void Tested(std::int64_t id);

 private:
  QWidget* BuildForm();
  void ShowProblems(const std::vector<RuleProblem>& problems);
  // The row the fields describe, with the problems of the fields that could
  // not be read.
  RuleRow FieldsRow(std::vector<RuleProblem>* problems) const;
  std::vector<RuleProblem> Problems(const RuleRow& row,
                                    std::vector<RuleProblem> problems);

  RuleEditorSetup setup_;
  RuleRow loaded_;  // the stored row the fields started from (existing only)
  QWidget* MakeInput(const RuleField& field, QWidget* parent);

  std::map<std::string, QWidget*> fields_;
  std::map<std::string, QLabel*> notes_;
  QLabel* banner_;
  QPushButton* test_button_;
  QPushButton* save_button_;
  RuleTestView* test_view_;
  RuleTestRunner* runner_;
  bool tested_ = false;  // a test was asked for since the editor opened
  // 保存 has said that 站名 is empty, and the name has not been edited since.
  bool empty_name_accepted_ = false;
  // What the last test said of GBK 页面, and the setting it was run with.
  std::optional<EncodingAdvice> encoding_advice_;
  QString tested_isgbk_;
};

}  // namespace dw
