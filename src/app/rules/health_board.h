#pragma once

#include <QObject>

#include "collect/rule_health.h"

namespace dw {

// The health of each rule as the collection worker last reported it, kept
// on the GUI thread for the rules button and the rules window.
class HealthBoard : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  void Set(int rule_id, const RuleHealth& health);
  // Forgets a rule's health (its rule was changed, so the old runs no
  // longer describe it).
  void Forget(int rule_id);
  // Null when the rule has not been reported.
  const RuleHealth* Find(int rule_id) const;
  bool Unhealthy(int rule_id) const;

 signals:
  void Changed(int rule_id);

 private:
  HealthBook book_;
};

}  // namespace dw
