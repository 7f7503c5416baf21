#pragma once

class QPushButton;
class QTreeWidget;

namespace dw {

class HealthBoard;

// The 规则 button's caption and tooltip: "规则 (N)" while N ticked rules of
// the tree are unhealthy, with the tooltip naming them; "规则" otherwise.
void ShowUnhealthyRules(QPushButton* button, QTreeWidget* tree,
                        const HealthBoard& health);

}  // namespace dw
