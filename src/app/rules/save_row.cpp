#include "app/rules/save_row.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/rules/error_style.h"

namespace dw {

SaveRow MakeSaveRow(QWidget* tab, const QString& name) {
  SaveRow row;
  row.message = new QLabel(tab);
  row.message->setObjectName(name + "_message");
  row.message->setWordWrap(true);
  row.save = new QPushButton(QString::fromUtf8("保存"), tab);
  row.save->setObjectName("save_" + name);
  row.layout = new QHBoxLayout;
  row.layout->addWidget(row.message, 1);
  row.layout->addWidget(row.save);
  return row;
}

void ShowSaveMessage(QLabel* message, const QString& text, bool error) {
  message->setText(text);
  message->setStyleSheet(error ? kErrorStyle : "");
}

}  // namespace dw
