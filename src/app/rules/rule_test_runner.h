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
class RuleTestRunner : public QObject {
  Q_OBJECT

 public:
  explicit RuleTestRunner(std::string database_path, QObject* parent = nullptr)
      : QObject(parent), job_(std::move(database_path)) {}

  // `page_bytes`, when given, stands for the fetched page.
  void Start(RuleRow row, std::optional<std::string> page_bytes = std::nullopt);
  // Drops the test under way; its fetch is abandoned within 100 ms.
  void Cancel() { job_.Cancel(); }
  // True from a start until its result arrives or it is cancelled.
  bool Running() const { return job_.Running(); }
  // True once every thread this runner started has ended.
  bool ThreadsEnded() const { return job_.ThreadsEnded(); }

 signals:
  void Finished(const RuleReport& report);

 private:
  LatestJob job_;
};

}  // namespace dw
