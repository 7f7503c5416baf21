#include "app/rules/rules_button.h"

#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>

#include "app/rules/error_style.h"
#include "app/rules/health_board.h"
#include "app/rules/rule_report_text.h"
#include "app/windows/main_window.h"

namespace dw {

QStringList BrokenRules(const QTreeWidget* tree, const HealthBoard& health) {
  QStringList broken;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = tree->topLevelItem(i);
    if (item->checkState(0) != Qt::Checked) continue;
    const RuleHealth* rule = health.Find(item->data(0, Qt::UserRole).toInt());
    if (!rule || !rule->Unhealthy()) continue;
    broken << QString::fromUtf8("规则 %1：%2")
                  .arg(item->text(0), RuleStatusText(rule, Now()));
  }
  return broken;
}

void ShowFailingRules(QPushButton* button, QTreeWidget* tree,
                      const HealthBoard& health) {
  QStringList lines;
  bool any_unhealthy = false;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = tree->topLevelItem(i);
    if (item->checkState(0) != Qt::Checked) continue;
    const RuleHealth* rule = health.Find(item->data(0, Qt::UserRole).toInt());
    if (!rule || !rule->Failing()) continue;
    // The tooltip is rich text: the rule's own words are escaped.
    QString line = item->text(0).toHtmlEscaped() + QString::fromUtf8("：") +
                   RuleStatusText(rule, Now()).toHtmlEscaped();
    if (rule->Unhealthy()) {
      any_unhealthy = true;
      line = QString::fromUtf8(
                 "<span style=\"color:%1\">%2（连续 %3 轮）"
                 "</span>")
                 .arg(QString(kErrorColour), line,
                      QString::number(rule->failing_rounds));
    }
    lines << line;
  }
  button->setStyleSheet(any_unhealthy ? kErrorStyle : "");
  QString caption = QString::fromUtf8("规则");
  QString tip;
  if (!lines.isEmpty()) {
    caption += QStringLiteral(" (%1)").arg(lines.size());
    tip = QString::fromUtf8("<p>上次运行失败的规则：</p>") + lines.join("<br>");
  }
  if (health.Waiting() > 0) {
    caption += QString::fromUtf8(" · %1 条待存").arg(health.Waiting());
    tip += QString::fromUtf8("<p>%1 条帖子还没存进数据库，稍后再试：%2</p>")
               .arg(health.Waiting())
               .arg(health.WaitingReason().toHtmlEscaped());
  }
  button->setText(caption);
  button->setToolTip(RulesButtonTip(tip));
}

}  // namespace dw
