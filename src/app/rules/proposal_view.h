#pragma once

#include <QWidget>
#include <optional>

#include "learn/learn_rule.h"

class QLabel;
class QListWidget;
class QTableWidget;

namespace dw {

// Proposed rules side by side: the list of proposals with their notes, the
// chosen one's fields (beside the old rule's for a repair, changed fields
// marked) and the posts it finds, each new or already stored.
class ProposalView : public QWidget {
  Q_OBJECT

 public:
  explicit ProposalView(QWidget* parent = nullptr);

  // `old` is the rule a repair mends; none for a new rule.
  void Show(const LearnResult& result, std::optional<RuleRow> old);
  void Clear();
  // The chosen proposal; null when there is none.
  const Proposal* Chosen() const;

 signals:
  // A double-click on a proposal.
  void Activated();

 private:
  void ShowProposal(int index);

  LearnResult result_;
  std::optional<RuleRow> old_;
  QListWidget* list_;
  QTableWidget* fields_;
  QTableWidget* posts_;
};

}  // namespace dw
