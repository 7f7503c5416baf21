#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/rules/latest_job.h"
#include "learn/learn_rule.h"
#include "store/rule_row.h"

namespace dw {

// Learns a rule or a repair on a thread of its own, with a database
// connection of its own, so the window never waits. One job at a time: a
// new start cancels the one under way, whose result is then never shown,
// and so does the runner's end.
class LearnRunner : public JobRunner {
  Q_OBJECT

 public:
  using JobRunner::JobRunner;

  // A new rule for the page at `url` from GBK example titles.
  void StartLearn(std::string url, std::vector<std::string> examples);
  // A mended `rule` from its newest stored posts.
  void StartRepair(RuleRow rule);

  // Stands for the fetched page in tests; nothing is fetched then.
  void SetPageForTests(std::optional<std::string> page) {
    page_ = std::move(page);
  }

 signals:
  void Finished(const LearnResult& result);

 private:
  // `job` runs on the worker with the worker's own connection.
  void Start(std::function<LearnResult(Database&)> job);

  std::optional<std::string> page_;
};

}  // namespace dw
