// The windows the rules window opens: the editor (for a new, edited,
// copied or proposed rule), learning and repair.
#include <QLabel>
#include <QTableView>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/rules/learn_window.h"
#include "app/rules/repair_window.h"
#include "app/rules/rule_editor.h"
#include "app/rules/rule_table_model.h"
#include "app/rules/rules_window.h"
#include "runtime/convert.h"
#include "runtime/ui/qt_text.h"

namespace dw {

RuleEditor* RulesWindow::OpenEditor(EditorKind kind,
                                    std::optional<RuleRow> unsaved) {
  RuleEditorSetup setup;
  setup.db = &db_;
  setup.database_path = links_.database_path;
  const RuleRow* selected = model_->RowAt(SelectedRow());
  const std::vector<RuleRow>& rows = model_->Rows();
  // A new rule gets an id whose page reaches the pattern as the test shows
  // it, while one is free.
  std::int64_t free_id = NewRuleId(rows);
  if (!free_id) free_id = LowestFreeRuleId(rows);
  if (kind == EditorKind::kNew) {
    setup.row.id = free_id;
    // At the top of the list, so the new rule is seen at once.
    long long rank = 0;
    for (const RuleRow& row : rows) {
      rank = std::max(rank, ToLongInteger(row.rank) + 1);
    }
    if (unsaved) {
      const std::int64_t id = unsaved->id;
      setup.row = *unsaved;
      setup.row.id = id;
    }
    setup.row.rank = std::to_string(rank);
  } else {
    if (!selected) {
      ShowMessage(QString::fromUtf8("请先选中一条规则。"), true);
      return nullptr;
    }
    setup.row = *selected;
    setup.existing = kind == EditorKind::kEdit;
    setup.unsaved = std::move(unsaved);
    if (kind == EditorKind::kCopy) {
      setup.row.id = free_id;
      setup.row.name += QStringToGbk(QString::fromUtf8("（副本）"));
    }
  }
  auto* editor = new RuleEditor(std::move(setup), this);
  connect(this, &RulesWindow::TickWritten, editor, &RuleEditor::TickWritten);
  connect(this, &RulesWindow::TookEffect, editor,
          &RuleEditor::ChangesTookEffect);
  editor->setWindowFlag(Qt::Window);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  connect(editor, &RuleEditor::Tested, this, [this](std::int64_t id) {
    if (links_.rule_tried) links_.rule_tried(id);
  });
  connect(editor, &RuleEditor::Saved, this, [this, editor](const RuleRow& row) {
    if (links_.rule_tried) links_.rule_tried(row.id);
    AfterWrite();
    SelectId(row.id);
    editor->ShowBanner(message_->text());
  });
  editor->show();
  return editor;
}

LearnWindow* RulesWindow::OpenLearnWindow() {
  auto* window = new LearnWindow(links_.database_path, this);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  connect(window, &LearnWindow::Manual, this,
          [this] { OpenEditor(EditorKind::kNew); });
  connect(window, &LearnWindow::Chosen, this, &RulesWindow::OpenProposal);
  window->show();
  return window;
}

RepairWindow* RulesWindow::OpenRepairWindow() {
  const RuleRow* selected = model_->RowAt(SelectedRow());
  if (!selected) {
    ShowMessage(QString::fromUtf8("请先选中一条规则。"), true);
    return nullptr;
  }
  auto* window = new RepairWindow(links_.database_path, *selected, this);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  connect(window, &RepairWindow::Chosen, this, &RulesWindow::OpenProposal);
  window->show();
  window->Start();
  return window;
}

RepairWindow* RulesWindow::OpenRepairWindowFor(std::int64_t id) {
  if (model_->RowOfId(id) < 0) {
    ShowMessage(QString::fromUtf8("这条规则已不在了。"), true);
    return nullptr;
  }
  SelectId(id);
  return OpenRepairWindow();
}

RuleEditor* RulesWindow::OpenProposal(const RuleRow& row) {
  // A repair edits the stored rule; a new rule comes on top of the list.
  const int stored = model_->RowOfId(row.id);
  RuleEditor* editor = nullptr;
  if (stored >= 0) {
    table_->setCurrentIndex(model_->index(stored, RuleTableModel::kName));
    editor = OpenEditor(EditorKind::kEdit, row);
  } else {
    editor = OpenEditor(EditorKind::kNew, row);
  }
  if (editor) editor->Test();
  return editor;
}

}  // namespace dw
