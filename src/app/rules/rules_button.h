#pragma once

#include <QStringList>

class QPushButton;
class QTreeWidget;

namespace dw {

class HealthBoard;

// The 规则 button's caption and tooltip: "规则 (N)" while the last run of N
// ticked rules of the tree failed, with the tooltip naming each and why;
// those failing several rounds in a row are red there, and so is the
// caption. " · M 条待存" follows while M found posts wait for the
// database, and the tooltip says why. "规则" otherwise.
void ShowFailingRules(QPushButton* button, QTreeWidget* tree,
                      const HealthBoard& health);

// "规则 name：cause" of each ticked rule of the tree that has failed
// several rounds in a row, in the tree's order; plain text.
QStringList BrokenRules(const QTreeWidget* tree, const HealthBoard& health);

}  // namespace dw
