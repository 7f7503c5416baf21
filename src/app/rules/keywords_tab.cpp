#include "app/rules/keywords_tab.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/rules/database_note.h"
#include "app/rules/save_row.h"
#include "runtime/ui/qt_text.h"
#include "store/user_edits.h"

namespace dw {

std::string KeywordsStoredText(const QString& editor_text) {
  QString text = editor_text;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return QStringToGbk(text);
}

QString KeywordsEditorText(const std::string& stored) {
  QString text = GbkToQString(stored);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

KeywordsTab::KeywordsTab(Database& db, QWidget* parent)
    : QWidget(parent), db_(db) {
  auto* note = new QLabel(
      QString::fromUtf8("每行一个关键词。标题含有关键词的帖子会在列表里打上绿色"
                        "标记；关键词只做标记，从不隐藏任何帖子。空行也算一个"
                        "关键词，会标记所有帖子。"),
      this);
  note->setWordWrap(true);
  editor_ = new QPlainTextEdit(this);
  editor_->setObjectName("keywd");
  const SaveRow foot = MakeSaveRow(this, "keywords");
  message_ = foot.message;
  connect(foot.save, &QPushButton::clicked, this, &KeywordsTab::Save);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(editor_, 1);
  layout->addLayout(foot.layout);
  Reload();
}

void KeywordsTab::Reload() {
  // Keywords typed but not yet saved are kept.
  if (read_ && editor_->document()->isModified()) return;
  const bool was_read = read_;
  const std::optional<std::string> stored = ReadKeywordText(db_);
  read_ = stored.has_value();
  editor_->setReadOnly(!read_);
  if (!read_) {
    editor_->clear();
    ShowMessage(QString::fromUtf8("读取关键词失败（%1），稍后重新打开再试。")
                    .arg(QString::fromUtf8(DbLastError(db_).c_str())),
                true);
    return;
  }
  editor_->setPlainText(KeywordsEditorText(*stored));
  editor_->document()->setModified(false);
  if (!was_read) ShowMessage(QString());  // the failure no longer holds
}

void KeywordsTab::ShowMessage(const QString& text, bool error) {
  ShowSaveMessage(message_, text, error);
}

bool KeywordsTab::Save() {
  if (!read_) {
    ShowMessage(
        QString::fromUtf8("已存的关键词还没读出，未保存，以免覆盖它们。"),
        true);
    return false;
  }
  const QString text = editor_->toPlainText();
  const std::string stored = KeywordsStoredText(text);
  if (KeywordsEditorText(stored) != QString(text).replace("\r\n", "\n")) {
    ShowMessage(QString::fromUtf8("有 GBK 无法表示的字符，未保存。"), true);
    return false;
  }
  const ShortBusyWait wait(db_, kGuiBusyWaitMs);  // and what the write sets off
  if (!SaveKeywordText(db_, stored)) {
    ShowMessage(
        QString::fromUtf8("写入数据库失败，未保存") + DatabaseFailureNote(db_),
        true);
    return false;
  }
  editor_->document()->setModified(false);
  ShowMessage(QString::fromUtf8("已保存。"));
  emit Saved();
  return true;
}

}  // namespace dw
