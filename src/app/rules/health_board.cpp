#include "app/rules/health_board.h"

namespace dw {

void HealthBoard::Set(int rule_id, const RuleHealth& health) {
  book_[rule_id] = health;
  emit Changed(rule_id);
}

void HealthBoard::Forget(int rule_id) {
  if (book_.erase(rule_id) > 0) emit Changed(rule_id);
}

const RuleHealth* HealthBoard::Find(int rule_id) const {
  const auto found = book_.find(rule_id);
  return found == book_.end() ? nullptr : &found->second;
}

bool HealthBoard::Unhealthy(int rule_id) const {
  const RuleHealth* health = Find(rule_id);
  return health && health->Unhealthy();
}

void HealthBoard::SetWaiting(int count, const QString& reason) {
  if (count == waiting_ && reason == waiting_reason_) return;
  waiting_ = count;
  waiting_reason_ = reason;
  emit Changed(0);
}

}  // namespace dw
