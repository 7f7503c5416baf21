#include "app/rules/rule_test_runner.h"

#include <QMetaObject>
#include <memory>
#include <utility>

#include "collect/rule_probe.h"
#include "runtime/database.h"
#include "runtime/ui/ui_ops.h"

namespace dw {

RuleTestRunner::RuleTestRunner(std::string database_path, QObject* parent)
    : QObject(parent), database_path_(std::move(database_path)) {}

RuleTestRunner::~RuleTestRunner() {
  Cancel();
  // Events keep running while it ends: a runtime error raised on the thread
  // waits for its box on this one.
  JoinThreadDispatching(worker_);
}

void RuleTestRunner::Cancel() {
  ++generation_;
  running_ = false;
  EndThread(worker_);
}

void RuleTestRunner::Start(RuleRow row, std::optional<std::string> page_bytes) {
  Cancel();
  running_ = true;
  const std::uint64_t generation = generation_;
  // The new thread waits for the one before off this thread, so a start
  // never blocks the window.
  const bool started = RestartThread(
      worker_, [this, generation, row = std::move(row),
                page_bytes = std::move(page_bytes), path = database_path_] {
        // A connection of its own: the program's belongs to the collection.
        Database db;
        DbOpen(db, path, /*create=*/false);
        RuleReport report = ProbeRule(row, db, page_bytes);
        if (StopRequested()) return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, report = std::move(report)] {
              if (generation != generation_) return;
              running_ = false;
              emit Finished(report);
            },
            Qt::QueuedConnection);
      });
  if (!started) running_ = false;
}

}  // namespace dw
