#include "app/rules/rule_editor.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>

#include "app/rules/code_inputs.h"
#include "app/rules/database_note.h"
#include "app/rules/error_style.h"
#include "app/rules/rule_fields.h"
#include "app/rules/rule_test_runner.h"
#include "app/rules/rule_test_view.h"
#include "app/rules/rules_window.h"
#include "app/rules/runner_end.h"
#include "app/windows/screen_fit.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

bool HasError(const std::vector<RuleProblem>& problems) {
  return std::any_of(problems.begin(), problems.end(),
                     [](const RuleProblem& p) { return !p.warning; });
}

}  // namespace

RuleEditor::RuleEditor(RuleEditorSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)), loaded_(setup_.row) {
  setWindowTitle(QString::fromUtf8(setup_.existing ? "编辑规则" : "新建规则"));
  setModal(false);
  setSizeGripEnabled(true);
  runner_ = new RuleTestRunner(setup_.database_path, this);
  test_view_ = new RuleTestView(this);
  connect(runner_, &RuleTestRunner::Finished, test_view_,
          &RuleTestView::ShowReport);
  connect(runner_, &RuleTestRunner::Finished, this,
          [this](const RuleReport& report) {
            encoding_advice_ = AdviseEncoding(report, tested_isgbk_ == "1");
            if (!encoding_advice_) {
              test_view_->ShowAdvice(QString(), QString());
              return;
            }
            test_view_->ShowAdvice(
                encoding_advice_->text,
                QString::fromUtf8(encoding_advice_->isgbk == "1"
                                      ? "勾选 GBK 页面并重新测试"
                                      : "取消 GBK 页面并重新测试"));
          });
  // The one-click fix: the setting the test suggests, tested at once.
  connect(test_view_, &RuleTestView::FixRequested, this, [this] {
    if (!encoding_advice_) return;
    SetFieldText("isgbk", QString::fromStdString(encoding_advice_->isgbk));
    Test();
  });

  banner_ = new QLabel(this);
  banner_->setObjectName("banner");
  banner_->setWordWrap(true);
  banner_->hide();
  test_button_ = new QPushButton(QString::fromUtf8("测试"), this);
  test_button_->setObjectName("test");
  test_button_->setAutoDefault(false);
  save_button_ = new QPushButton(QString::fromUtf8("保存"), this);
  save_button_->setObjectName("save");
  save_button_->setAutoDefault(false);
  auto* close_button = new QPushButton(QString::fromUtf8("关闭"), this);
  close_button->setObjectName("close");
  close_button->setAutoDefault(false);
  connect(test_button_, &QPushButton::clicked, this, &RuleEditor::Test);
  connect(save_button_, &QPushButton::clicked, this, &RuleEditor::Save);
  connect(close_button, &QPushButton::clicked, this, &QDialog::close);
  test_button_->setToolTip("F5");
  save_button_->setToolTip("Ctrl+S");
  connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated,
          this, &RuleEditor::Test);
  connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this,
          &RuleEditor::Save);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(BuildForm());
  split->addWidget(test_view_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(banner_, 1);
  buttons->addWidget(test_button_);
  buttons->addWidget(save_button_);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addLayout(buttons);
  FitToScreen(this, QSize(1100, 720));
}

RuleEditor::~RuleEditor() { EndRunnerOf(this, runner_); }

QWidget* RuleEditor::BuildForm() {
  auto* form_widget = new QWidget;
  auto* form = new QFormLayout(form_widget);
  const FieldTexts texts = RowToTexts(setup_.unsaved.value_or(setup_.row));
  for (const RuleField& field : RuleFields()) {
    auto* cell = new QWidget(form_widget);
    auto* lines = new QVBoxLayout(cell);
    lines->setContentsMargins(0, 0, 0, 4);
    lines->setSpacing(1);
    QWidget* edit = MakeInput(field, cell);
    edit->setObjectName(field.column);
    auto* help = new QLabel(QString::fromUtf8(field.help), cell);
    help->setObjectName(std::string(field.column) + "_help");
    help->setWordWrap(true);
    help->setTextFormat(Qt::PlainText);  // it quotes markup
    help->setStyleSheet("color: palette(mid);");
    auto* note = new QLabel(cell);
    note->setObjectName(std::string(field.column) + "_note");
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    note->hide();
    lines->addWidget(edit);
    lines->addWidget(help);
    lines->addWidget(note);
    form->addRow(QString::fromUtf8(field.label), cell);
    fields_[field.column] = edit;
    notes_[field.column] = note;
    SetFieldText(field.column, texts.at(field.column));
  }
  // The help says what the chosen id's clean-up does to the page, and a
  // test shown is run again under the new id.
  auto* id_field = static_cast<QLineEdit*>(fields_.at("id"));
  auto* id_help = form_widget->findChild<QLabel*>("id_help");
  const auto id_changed = [this, id_field, id_help] {
    id_help->setText(IdHelpText(id_field->text().trimmed().toLongLong()));
  };
  id_changed();
  connect(id_field, &QLineEdit::textChanged, this, [this, id_changed] {
    id_changed();
    if (tested_) Test();
  });
  // A name changed and cleared again is asked about again.
  connect(static_cast<QLineEdit*>(fields_.at("name")), &QLineEdit::textChanged,
          this, [this] { empty_name_accepted_ = false; });
  // The id is the key of the stored posts; an existing rule keeps it.
  static_cast<QLineEdit*>(fields_.at("id"))->setReadOnly(setup_.existing);
  auto* scroll = new QScrollArea;
  scroll->setWidget(form_widget);
  scroll->setWidgetResizable(true);
  return scroll;
}

QWidget* RuleEditor::MakeInput(const RuleField& field, QWidget* parent) {
  const std::string column = field.column;
  if (column == "isdo") {
    return new CodeList({{"1", "勾选"}, {"0", "不勾选"}, {"3", "隐藏"}},
                        parent);
  }
  if (column == "type") {
    return new CodeList({{"0", "按记录"}, {"8", "按编号"}}, parent);
  }
  if (column == "isgbk") {
    return new CodeCheck(QString::fromUtf8("页面是 GBK 编码"), parent);
  }
  if (column == "json_strings") {
    return new CodeCheck(QString::fromUtf8("标题是 JSON 文本"), parent);
  }
  if (column == "plain_titles") {
    return new CodeCheck(QString::fromUtf8("标题是纯文本"), parent);
  }
  if (column == "ignore_cert_errors") {
    return new CodeCheck(QString::fromUtf8("忽略证书错误"), parent);
  }
  return new QLineEdit(parent);
}

QString RuleEditor::FieldText(const std::string& column) const {
  QWidget* input = fields_.at(column);
  if (auto* list = qobject_cast<CodeList*>(input)) return list->Code();
  if (auto* check = qobject_cast<CodeCheck*>(input)) return check->Code();
  return static_cast<QLineEdit*>(input)->text();
}

void RuleEditor::SetFieldText(const std::string& column, const QString& text) {
  QWidget* input = fields_.at(column);
  if (auto* list = qobject_cast<CodeList*>(input)) {
    list->SetCode(text);
  } else if (auto* check = qobject_cast<CodeCheck*>(input)) {
    check->SetCode(text);
  } else {
    static_cast<QLineEdit*>(input)->setText(text);
  }
}

RuleRow RuleEditor::FieldsRow(std::vector<RuleProblem>* problems) const {
  FieldTexts texts;
  for (const auto& entry : fields_) texts[entry.first] = FieldText(entry.first);
  return TextsToRow(texts, problems);
}

std::vector<RuleProblem> RuleEditor::Problems(
    const RuleRow& row, std::vector<RuleProblem> problems) {
  // A field that could not be read says only that.
  const auto unread = [&](const std::string& column) {
    return std::any_of(
        problems.begin(), problems.end(),
        [&](const RuleProblem& p) { return p.column == column; });
  };
  for (RuleProblem& problem : CheckRule(row)) {
    if (!unread(problem.column)) problems.push_back(std::move(problem));
  }
  // The last test found the page read in the wrong encoding, and the
  // setting is still the one it ran with.
  if (encoding_advice_ && FieldText("isgbk") == tested_isgbk_) {
    problems.push_back(
        {"isgbk", encoding_advice_->text.toStdString(), /*warning=*/true});
  }
  return problems;
}

void RuleEditor::ShowProblems(const std::vector<RuleProblem>& problems) {
  for (auto& [column, note] : notes_) {
    note->clear();
    note->hide();
  }
  std::map<std::string, QStringList> by_column;
  std::map<std::string, bool> error_in;
  for (const RuleProblem& p : problems) {
    by_column[p.column] << ProblemText(p);
    error_in[p.column] = error_in[p.column] || !p.warning;
  }
  for (const auto& [column, messages] : by_column) {
    const auto found = notes_.find(column);
    if (found == notes_.end()) continue;
    QLabel* note = found->second;
    note->setText(messages.join('\n'));
    note->setProperty("warning", !error_in[column]);
    note->setStyleSheet(error_in[column] ? kErrorStyle : kWarningStyle);
    note->show();
  }
}

void RuleEditor::ShowBanner(const QString& text, bool error) {
  banner_->setText(text);
  banner_->setStyleSheet(error ? kErrorStyle : QString());
  banner_->setVisible(!text.isEmpty());
}

void RuleEditor::TickWritten(std::int64_t id, const std::string& isdo) {
  if (!setup_.existing || loaded_.id != id) return;
  if (FieldText("isdo") == GbkToQString(loaded_.isdo)) {
    SetFieldText("isdo", GbkToQString(isdo));
  }
  loaded_.isdo = isdo;
}

void RuleEditor::ChangesTookEffect() {
  if (WaitingChangesNote(banner_->text())) ShowBanner(ChangesTookEffectNote());
}

bool RuleEditor::Save() {
  std::vector<RuleProblem> problems;
  const RuleRow row = FieldsRow(&problems);
  problems = Problems(row, std::move(problems));
  ShowProblems(problems);
  const QString refused =
      QString::fromUtf8("有错误，未保存：请按字段下的红字修改。");
  if (HasError(problems)) {
    ShowBanner(refused, true);
    return false;
  }
  // A rule may go without a name, but its posts then show no site: said
  // once, and the next 保存 keeps it so.
  if (FieldText("name").trimmed().isEmpty() && !empty_name_accepted_) {
    empty_name_accepted_ = true;
    problems.push_back(
        {"name", "站名为空：这条规则的帖子在列表、提醒和历史里都不带站名",
         /*warning=*/true});
    ShowProblems(problems);
    ShowBanner(QString::fromUtf8(
        "站名为空。要照此保存，请再按一次“保存”；或先填上站名。"));
    return false;
  }
  Database& db = *setup_.db;
  // One short wait for the whole save and the reloads it sets off: under a
  // held database it gives up in a blink, the fields kept as typed.
  const ShortBusyWait wait(db, kGuiBusyWaitMs);
  // The checks against the stored rules and the write are one transaction:
  // nothing written elsewhere comes between them, and either all is written
  // or nothing.
  WriteTransaction transaction(db);
  bool read = transaction.Open();
  const std::vector<RuleRow> stored =
      read ? LoadRuleRowsWithId(db, row.id, &read) : std::vector<RuleRow>();
  if (!read) {
    ShowBanner(
        QString::fromUtf8("读写数据库失败，未保存") + DatabaseFailureNote(db),
        true);
    return false;
  }
  if (!setup_.existing && !stored.empty()) {
    problems.push_back({"id", QString::fromUtf8("编号 %1 已被规则“%2”使用")
                                  .arg(row.id)
                                  .arg(GbkToQString(stored.front().name))
                                  .toStdString()});
    ShowProblems(problems);
    ShowBanner(refused, true);
    return false;
  }
  if (setup_.existing) {
    // An import or another editor may have written the rule meanwhile:
    // never overwrite what this editor did not load.
    if (stored.empty()) {
      ShowBanner(QString::fromUtf8("这条规则已被删除，未保存。"), true);
      return false;
    }
    const std::vector<std::string> changed =
        DifferingColumns(stored.front(), loaded_);
    if (!changed.empty()) {
      QStringList names;
      for (const std::string& column : changed) names << column.c_str();
      ShowBanner(
          QString::fromUtf8("打开编辑器之后，这条规则已在别处被修改（%1），"
                            "未保存。请关闭后重新打开再改。")
              .arg(names.join(", ")),
          true);
      return false;
    }
  }
  if (!SaveRuleRows(db, {row}) || !transaction.Commit()) {
    ShowBanner(
        QString::fromUtf8("写入数据库失败，未保存") + DatabaseFailureNote(db),
        true);
    return false;
  }
  loaded_ = row;
  setup_.existing = true;
  static_cast<QLineEdit*>(fields_.at("id"))->setReadOnly(true);
  setWindowTitle(QString::fromUtf8("编辑规则"));
  ShowBanner(QString::fromUtf8("已保存。"));
  emit Saved(row);
  return true;
}

void RuleEditor::Test() {
  std::vector<RuleProblem> problems;
  const RuleRow row = FieldsRow(&problems);
  if (HasError(problems)) {
    ShowProblems(problems);
    test_view_->ShowMessage(QString::fromUtf8("有字段读不出来，无法测试。"));
    return;
  }
  // Only web addresses are fetched, as only they are saved.
  for (const RuleProblem& problem : CheckRule(row)) {
    if (problem.column == "url") problems.push_back(problem);
  }
  ShowProblems(problems);
  if (HasError(problems)) {
    test_view_->ShowMessage(
        QString::fromUtf8("地址不是 http:// 或 https:// 开头，没有测试。"));
    return;
  }
  tested_ = true;
  emit Tested(row.id);
  tested_isgbk_ = FieldText("isgbk");
  encoding_advice_.reset();
  test_view_->ShowRunning();
  runner_->Start(row);
}

}  // namespace dw
