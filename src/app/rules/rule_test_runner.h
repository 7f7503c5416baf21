#pragma once

#include <QObject>
#include <cstdint>
#include <optional>
#include <string>

#include "collect/rule_report.h"
#include "runtime/threads.h"
#include "store/rule_row.h"

namespace dw {

// Runs a rule as edited (not yet saved) through the probe on a thread of
// its own, with a database connection of its own, so the window never
// waits and the collection need not pause. One test at a time: a new start
// cancels the one under way, whose result is then never shown.
class RuleTestRunner : public QObject {
  Q_OBJECT

 public:
  explicit RuleTestRunner(std::string database_path, QObject* parent = nullptr);
  // Cancels the test under way and waits for its thread to end.
  ~RuleTestRunner() override;

  // `page_bytes`, when given, stands for the fetched page.
  void Start(RuleRow row, std::optional<std::string> page_bytes = std::nullopt);
  // Drops the test under way; its fetch is abandoned within 100 ms.
  void Cancel();
  // True from a start until its result arrives or it is cancelled.
  bool Running() const { return running_; }
  // True once every thread this runner started has ended.
  bool ThreadsEnded() const { return ThreadFinished(worker_); }

 signals:
  void Finished(const RuleReport& report);

 private:
  std::string database_path_;
  // The last thread started; each waits for the one before it, so this one
  // handle reaches all of them.
  ThreadHandle worker_;
  std::uint64_t generation_ = 0;  // GUI thread only
  bool running_ = false;
};

}  // namespace dw
