#include "app/rules/rules_button.h"

#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>

#include "app/rules/health_board.h"

namespace dw {

void ShowUnhealthyRules(QPushButton* button, QTreeWidget* tree,
                        const HealthBoard& health) {
  QStringList names;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = tree->topLevelItem(i);
    if (item->checkState(0) != Qt::Checked) continue;
    if (health.Unhealthy(item->data(0, Qt::UserRole).toInt())) {
      names << item->text(0);
    }
  }
  if (names.isEmpty()) {
    button->setText(QString::fromUtf8("规则"));
    button->setToolTip(QString::fromUtf8("查看、勾选、编辑和测试规则"));
    return;
  }
  button->setText(QString::fromUtf8("规则 (%1)").arg(names.size()));
  button->setToolTip(QString::fromUtf8("接连失败的规则：") +
                     names.join(QString::fromUtf8("、")));
}

}  // namespace dw
