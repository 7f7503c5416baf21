#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <utility>

#include "app/rules/latest_job.h"
#include "collect/rule_report.h"
#include "store/rule_row.h"

namespace dw {

// Runs a rule as edited (not yet saved) through the probe on a thread of
// its own, with a database connection of its own, so the window never
// waits and the collection need not pause. One test at a time: a new start
// cancels the one under way, whose result is then never shown.
class RuleTestRunner : public JobRunner {
  Q_OBJECT

 public:
  using JobRunner::JobRunner;

  // `page_bytes`, when given, stands for the fetched page.
  void Start(RuleRow row, std::optional<std::string> page_bytes = std::nullopt);

 signals:
  void Finished(const RuleReport& report);
};

}  // namespace dw
