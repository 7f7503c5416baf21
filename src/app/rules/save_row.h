// The foot of each settings tab: a line that tells what the last save
// said, and the 保存 button.
#pragma once

#include <QString>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace dw {

struct SaveRow {
  QLabel* message;
  QPushButton* save;
  QHBoxLayout* layout;
};

// The parts are named for tests "<name>_message" and "save_<name>".
SaveRow MakeSaveRow(QWidget* tab, const QString& name);

// Shows `text` on the line, in the error colour when it tells of one.
void ShowSaveMessage(QLabel* message, const QString& text, bool error);

}  // namespace dw
