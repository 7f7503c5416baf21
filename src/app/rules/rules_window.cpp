#include "app/rules/rules_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "app/rules/collect_tab.h"
#include "app/rules/database_note.h"
#include "app/rules/error_style.h"
#include "app/rules/health_board.h"
#include "app/rules/keywords_tab.h"
#include "app/rules/learn_window.h"
#include "app/rules/reminders_tab.h"
#include "app/rules/repair_window.h"
#include "app/rules/rule_editor.h"
#include "app/rules/rule_table_model.h"
#include "app/windows/screen_fit.h"
#include "app/rules/unrun_rules.h"
#include "runtime/convert.h"
#include "runtime/ui/qt_text.h"
#include "store/user_edits.h"

namespace dw {
bool WaitingChangesNote(const QString& note) {
  return note.startsWith(QString::fromUtf8("已保存，下"));
}

QString ChangesTookEffectNote() { return QString::fromUtf8("已保存，已生效"); }

RulesWindow::RulesWindow(RulesWindowLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window), links_(std::move(links)) {
  setWindowTitle(QString::fromUtf8("规则管理"));
  if (!links_.confirm) {
    links_.confirm = [this](const QString& question) {
      return QMessageBox::question(this, QString::fromUtf8("规则管理"),
                                   question) == QMessageBox::Yes;
    };
  }
  DbOpen(db_, links_.database_path, /*create=*/false);
  // The window's own reads and writes run on the GUI thread: a database
  // another program holds makes them fail after a blink, with a message,
  // instead of freezing the windows.
  DbSetBusyWait(db_, kGuiBusyWaitMs);

  model_ = new RuleTableModel(links_.health, this);
  connect(model_, &RuleTableModel::TickRequested, this, &RulesWindow::Tick);
  keywords_ = new KeywordsTab(db_, this);
  connect(keywords_, &KeywordsTab::Saved, this, [this] {
    keywords_->ShowMessage(links_.changes_saved ? links_.changes_saved()
                                                : QString::fromUtf8("已保存"));
  });

  reminders_ = new RemindersTab(db_, this);
  connect(reminders_, &RemindersTab::Saved, this,
          [this](const ReminderSettings& settings) {
            if (links_.reminders_saved) links_.reminders_saved(settings);
          });

  collect_ = new CollectTab(db_, this);
  connect(collect_, &CollectTab::Saved, this, [this] {
    collect_->ShowMessage(links_.changes_saved ? links_.changes_saved()
                                               : QString::fromUtf8("已保存"));
  });

  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildRulesTab(), QString::fromUtf8("规则"));
  tabs_->addTab(keywords_, QString::fromUtf8("关键词"));
  tabs_->addTab(reminders_, QString::fromUtf8("提醒"));
  tabs_->addTab(collect_, QString::fromUtf8("采集"));
  // The table takes Tab and Ctrl+Tab for itself; the window's shortcuts
  // still reach the other tab.
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Tab),
                                   QKeySequence(Qt::CTRL | Qt::Key_PageDown)}) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] {
      tabs_->setCurrentIndex((tabs_->currentIndex() + 1) % tabs_->count());
    });
  }
  message_ = new QLabel(this);
  message_->setObjectName("message");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(message_);
  FitToScreen(this, QSize(860, 480));
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this),
          &QShortcut::activated, this, &QWidget::close);
  table_->setFocus();
}

RulesWindow::~RulesWindow() = default;

void RulesWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) Reload();
}

QWidget* RulesWindow::BuildRulesTab() {
  auto* tab = new QWidget;
  table_ = new QTableView(tab);
  table_->setObjectName("rules_table");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->setWordWrap(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(RuleTableModel::kTick, 28);
  table_->setColumnWidth(RuleTableModel::kId, 40);
  table_->setColumnWidth(RuleTableModel::kName, 110);
  table_->setColumnWidth(RuleTableModel::kUrl, 200);
  table_->setColumnWidth(RuleTableModel::kType, 56);
  table_->setColumnWidth(RuleTableModel::kStatus, 210);
  // A double-click or Enter on a rule edits it; a click on its tick only
  // ticks it.
  connect(table_, &QTableView::activated, this, [this](const QModelIndex& at) {
    if (at.column() != RuleTableModel::kTick) OpenEditor(EditorKind::kEdit);
  });

  auto* buttons = new QVBoxLayout;
  const struct {
    const char* name;
    const char* caption;
    std::function<void()> act;
  } kButtons[] = {
      {"new", "新建", [this] { OpenLearnWindow(); }},
      {"edit", "编辑", [this] { OpenEditor(EditorKind::kEdit); }},
      {"repair", "修复建议", [this] { OpenRepairWindow(); }},
      {"copy", "复制", [this] { OpenEditor(EditorKind::kCopy); }},
      {"delete", "删除", [this] { DeleteSelected(); }},
      {"up", "上移", [this] { MoveSelected(-1); }},
      {"down", "下移", [this] { MoveSelected(+1); }},
  };
  for (const auto& b : kButtons) {
    auto* button = new QPushButton(QString::fromUtf8(b.caption), tab);
    button->setObjectName(b.name);
    connect(button, &QPushButton::clicked, this, b.act);
    buttons->addWidget(button);
    if (std::string_view(b.name) == "repair") repair_button_ = button;
  }
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(table_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            if (!LastRunFailed(SelectedId())) return;
            QMenu menu(this);
            menu.addAction(QString::fromUtf8("修复建议"), this,
                           [this] { OpenRepairWindow(); });
            menu.exec(table_->viewport()->mapToGlobal(at));
          });
  connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { UpdateRepairButton(); });
  if (links_.health) {
    connect(links_.health, &HealthBoard::Changed, this,
            [this] { UpdateRepairButton(); });
  }
  buttons->addStretch(1);
  busy_ = new QLabel(tab);
  busy_->setObjectName("busy");
  busy_->setWordWrap(true);
  busy_->setStyleSheet(kErrorStyle);
  busy_->hide();
  auto* list = new QVBoxLayout;
  list->addWidget(busy_);
  list->addWidget(table_, 1);
  auto* layout = new QHBoxLayout(tab);
  layout->addLayout(list, 1);
  layout->addLayout(buttons);
  return tab;
}

void RulesWindow::Reload() {
  // One short wait for the rules, the keywords and the reminders together.
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);
  const int row = SelectedRow();
  const RuleRow* selected = model_->RowAt(row);
  const std::int64_t id = selected ? selected->id : 0;
  bool loaded = false;
  std::vector<RuleRow> rows = LoadRuleRows(db_, &loaded);
  if (loaded) {
    const QString unrun = UnrunRulesNote(rows);
    model_->SetRows(std::move(rows));
    if (!unrun.isEmpty()) ShowMessage(unrun, true);
  } else {
    busy_->setText(
        QString::fromUtf8("数据库忙，规则列表没有刷新，显示的是上次读到的内容"
                          "（%1）。")
            .arg(QString::fromUtf8(DbLastError(db_).c_str())));
  }
  // The list shown stays, with this note over it until a read succeeds: a
  // busy or damaged file is no empty one.
  busy_->setVisible(!loaded);
  keywords_->Reload();
  reminders_->Reload();
  SelectId(id);  // the first rule when none was selected
}

void RulesWindow::ShowMessage(const QString& text, bool error) {
  message_->setText(text);
  message_->setStyleSheet(error ? kErrorStyle : "");
}

void RulesWindow::ChangesTookEffect() {
  for (QLabel* note :
       {message_, keywords_->findChild<QLabel*>("keywords_message")}) {
    if (note && WaitingChangesNote(note->text())) {
      note->setText(ChangesTookEffectNote());
    }
  }
  emit TookEffect();
}

int RulesWindow::SelectedRow() const {
  const QModelIndexList rows = table_->selectionModel()->selectedRows();
  // Without a selection the keyboard's current row counts.
  return rows.isEmpty() ? table_->currentIndex().row() : rows.front().row();
}

std::int64_t RulesWindow::SelectedId() const {
  const RuleRow* selected = model_->RowAt(SelectedRow());
  return selected ? selected->id : 0;
}

void RulesWindow::SelectId(std::int64_t id) {
  const int row = std::max(0, model_->RowOfId(id));
  if (row < model_->rowCount()) {
    table_->setCurrentIndex(model_->index(row, RuleTableModel::kName));
  }
}

void RulesWindow::AfterWrite() {
  Reload();
  ShowMessage(links_.changes_saved ? links_.changes_saved()
                                   : QString::fromUtf8("已保存"));
}

void RulesWindow::Tick(std::int64_t id, bool ticked) {
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);
  if (!SetRuleIsdo(db_, id, ticked ? "1" : "0")) {
    ShowMessage(
        QString::fromUtf8("勾选没能写入数据库") + DatabaseFailureNote(db_),
        true);
    return;
  }
  model_->SetIsdo(id, ticked ? "1" : "0");
  emit TickWritten(id, ticked ? "1" : "0");
  if (links_.tick_tree) links_.tick_tree(id, ticked);
  ShowMessage(QString::fromUtf8(ticked ? "已勾选，下次开始时参与采集"
                                       : "已取消勾选，下次开始时不再采集"));
}

bool RulesWindow::LastRunFailed(std::int64_t id) const {
  const RuleHealth* health =
      links_.health ? links_.health->Find(static_cast<int>(id)) : nullptr;
  return health && health->last &&
         health->last->failed_step != FailedStep::kNone;
}

void RulesWindow::UpdateRepairButton() {
  if (repair_button_) repair_button_->setEnabled(LastRunFailed(SelectedId()));
}

bool RulesWindow::DeleteSelected() {
  const RuleRow* selected = model_->RowAt(SelectedRow());
  if (!selected) return false;
  const RuleRow row = *selected;
  if (!links_.confirm(QString::fromUtf8("删除规则“%1”？已保存的帖子不受影响。")
                          .arg(GbkToQString(row.name)))) {
    return false;
  }
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);  // and what the write sets off
  if (!DeleteRuleRow(db_, row.id)) {
    ShowMessage(
        QString::fromUtf8("删除没能写入数据库") + DatabaseFailureNote(db_),
        true);
    return false;
  }
  AfterWrite();
  return true;
}

bool RulesWindow::MoveSelected(int step) {
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);  // and what the write sets off
  const int from = SelectedRow();
  const int to = from + step;
  std::vector<RuleRow> rows = model_->Rows();
  if (from < 0 || to < 0 || to >= static_cast<int>(rows.size())) return false;
  const std::int64_t id = rows[from].id;
  std::vector<RuleRow> changed;
  if (rows[from].rank != rows[to].rank) {
    std::swap(rows[from].rank, rows[to].rank);
    changed = {rows[from], rows[to]};
  } else {
    // Equal ranks keep no order of their own: number the whole list afresh
    // in the order wanted.
    std::swap(rows[from], rows[to]);
    const auto count = static_cast<std::int64_t>(rows.size());
    for (std::int64_t i = 0; i < count; ++i) {
      rows[i].rank = std::to_string(count - i);
    }
    changed = rows;
  }
  if (!SaveRuleRows(db_, changed)) {
    ShowMessage(
        QString::fromUtf8("排序没能写入数据库") + DatabaseFailureNote(db_),
        true);
    return false;
  }
  AfterWrite();
  SelectId(id);
  return true;
}

}  // namespace dw
