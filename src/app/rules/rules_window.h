#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "runtime/database.h"
#include "store/reminder_settings.h"
#include "store/rule_row.h"

class QLabel;
class QPushButton;
class QTableView;
class QTabWidget;

namespace dw {

class HealthBoard;
class KeywordsTab;
class RemindersTab;
class CollectTab;
class LearnWindow;
class RepairWindow;
class RuleEditor;
class RuleTableModel;

// What the rules window needs of the program.
struct RulesWindowLinks {
  std::string database_path;
  const HealthBoard* health = nullptr;
  // Ticks or unticks the rule's item in the rule tree.
  std::function<void(std::int64_t id, bool ticked)> tick_tree;
  // Called after every write of rules or keywords: brings the change to the
  // program, or has it wait for the next start. Returns what to tell the
  // user.
  std::function<QString()> changes_saved;
  // Called after the 提醒 tab saved: the program reminds by them at once.
  std::function<void(const ReminderSettings&)> reminders_saved;
  // The user tested or saved the rule: a back-off holding it ends.
  std::function<void(std::int64_t id)> rule_tried;
  // Asks a yes/no question; a message box when empty.
  std::function<bool(const QString&)> confirm;
};

// A note saying that saved changes still wait for the engine, and the note
// that replaces it once they took effect.
bool WaitingChangesNote(const QString& note);
QString ChangesTookEffectNote();

// The window in which rules and keywords are seen, ticked, edited and
// tested: tab 规则 lists every rule with its health, tab 关键词 holds the
// keyword list. It works on a database connection of its own.
class RulesWindow : public QWidget {
  Q_OBJECT

 public:
  enum class EditorKind { kNew, kEdit, kCopy };

  explicit RulesWindow(RulesWindowLinks links, QWidget* parent = nullptr);
  ~RulesWindow() override;

  // Reads the rules and keywords again from the database.
  void Reload();
  // kEdit and kCopy act on the selected rule; null without one.
  // `unsaved`, when given, fills the fields in place of the rule.
  RuleEditor* OpenEditor(EditorKind kind,
                         std::optional<RuleRow> unsaved = std::nullopt);
  bool DeleteSelected();
  // 新建 begins here: a rule from example titles, or the empty editor.
  LearnWindow* OpenLearnWindow();
  // 修复建议 for the selected rule; null without a selection.
  RepairWindow* OpenRepairWindow();
  // 修复建议 for the rule of that id, selected first; null when it is gone.
  RepairWindow* OpenRepairWindowFor(std::int64_t id);
  // The editor filled with a proposed rule, unsaved, its test under way.
  RuleEditor* OpenProposal(const RuleRow& row);
  // Moves the selected rule one place up (-1) or down (+1) by its rank.
  bool MoveSelected(int step);
  void ShowMessage(const QString& text, bool error = false);
  // The engine took the saved changes: notes that said they wait go.
  void ChangesTookEffect();

  QTabWidget* Tabs() const { return tabs_; }
  QTableView* Table() const { return table_; }
  RuleTableModel* Model() const { return model_; }
  KeywordsTab* Keywords() const { return keywords_; }
  RemindersTab* Reminders() const { return reminders_; }
  CollectTab* Collect() const { return collect_; }

 signals:
  void TickWritten(std::int64_t id, const std::string& isdo);
  void TookEffect();

 protected:
  // Each showing reads the rules afresh: an import may have run meanwhile.
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildRulesTab();
  int SelectedRow() const;
  std::int64_t SelectedId() const;
  void SelectId(std::int64_t id);
  void Tick(std::int64_t id, bool ticked);
  void AfterWrite();
  // 修复建议 is offered for a rule whose last run failed.
  void UpdateRepairButton();
  bool LastRunFailed(std::int64_t id) const;

  RulesWindowLinks links_;
  Database db_;
  QTabWidget* tabs_;
  QTableView* table_;
  RuleTableModel* model_;
  KeywordsTab* keywords_;
  RemindersTab* reminders_;
  CollectTab* collect_;
  QLabel* message_;
  QLabel* busy_;  // shown while the list is not what the file holds
  QPushButton* repair_button_ = nullptr;
};

}  // namespace dw
