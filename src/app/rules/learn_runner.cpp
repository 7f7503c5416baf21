#include "app/rules/learn_runner.h"

#include <QMetaObject>
#include <utility>

#include "learn/repair_rule.h"
#include "runtime/database.h"
#include "runtime/ui/ui_ops.h"

namespace dw {

LearnRunner::LearnRunner(std::string database_path, QObject* parent)
    : QObject(parent), database_path_(std::move(database_path)) {}

LearnRunner::~LearnRunner() {
  Cancel();
  JoinThreadDispatching(worker_);
}

void LearnRunner::Cancel() {
  ++generation_;
  running_ = false;
  EndThread(worker_);
}

void LearnRunner::Start(std::function<LearnResult(Database&)> job) {
  Cancel();
  running_ = true;
  const std::uint64_t generation = generation_;
  const bool started = RestartThread(
      worker_, [this, generation, job = std::move(job), path = database_path_] {
        Database db;
        DbOpen(db, path, /*create=*/false);
        LearnResult result = job(db);
        if (StopRequested()) return;
        MarkStoredPosts(db, result);
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = std::move(result)] {
              if (generation != generation_) return;
              running_ = false;
              emit Finished(result);
            },
            Qt::QueuedConnection);
      });
  if (!started) running_ = false;
}

void LearnRunner::StartLearn(std::string url,
                             std::vector<std::string> examples) {
  Start([url = std::move(url), examples = std::move(examples),
         page = page_](Database& db) {
    LearnRequest request;
    request.url = url;
    request.examples = examples;
    request.page_bytes = page;
    request.rows = LoadRuleRows(db);
    return LearnRule(request);
  });
}

void LearnRunner::StartRepair(RuleRow rule) {
  Start([rule = std::move(rule), page = page_](Database& db) {
    RepairRequest request;
    request.stored = NewestStoredPosts(db, rule.id);
    request.rule = rule;
    request.page_bytes = page;
    return RepairRule(request);
  });
}

}  // namespace dw
