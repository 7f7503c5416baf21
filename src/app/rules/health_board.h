#pragma once

#include <QObject>
#include <QString>

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

  // Found posts the database has not taken yet, and why (Changed(0)).
  void SetWaiting(int count, const QString& reason);
  int Waiting() const { return waiting_; }
  const QString& WaitingReason() const { return waiting_reason_; }

 signals:
  void Changed(int rule_id);

 private:
  HealthBook book_;
  int waiting_ = 0;
  QString waiting_reason_;
};

}  // namespace dw
