#include "app/rules/learn_runner.h"

#include <utility>

#include "learn/repair_rule.h"
#include "runtime/database.h"

namespace dw {

void LearnRunner::Start(std::function<LearnResult(Database&)> job) {
  job_.Start<LearnResult>(
      this,
      [job = std::move(job)](Database& db) {
        LearnResult result = job(db);
        if (!StopRequested()) MarkStoredPosts(db, result);
        return result;
      },
      [this](const LearnResult& result) { emit Finished(result); });
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
