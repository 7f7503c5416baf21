#pragma once

#include <QWidget>

#include "runtime/database.h"

class QLabel;
class QPlainTextEdit;

namespace dw {

// The keyword list of the settings, one keyword a line, stored with CR LF
// between keywords.
class KeywordsTab : public QWidget {
  Q_OBJECT

 public:
  KeywordsTab(Database& db, QWidget* parent = nullptr);

  // Reads the keywords from the database into the editor, unless it holds
  // edits not yet saved. A read that fails is shown, and the editor stays
  // closed to typing until a read succeeds.
  void Reload();
  // False, with the reason shown, when nothing was written; always while
  // the stored keywords were never read, so they are never overwritten
  // unseen.
  bool Save();
  void ShowMessage(const QString& text, bool error = false);

 signals:
  void Saved();

 private:
  Database& db_;
  QPlainTextEdit* editor_;
  QLabel* message_;
  bool read_ = false;
};

// The stored form of the editor's text: lines joined by CR LF, byte for
// byte what the editor was given by KeywordsEditorText when unchanged.
std::string KeywordsStoredText(const QString& editor_text);
QString KeywordsEditorText(const std::string& stored);

}  // namespace dw
