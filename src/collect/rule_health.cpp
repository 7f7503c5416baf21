#include "collect/rule_health.h"

namespace dw {

const char* FailedStepName(FailedStep step) {
  switch (step) {
    case FailedStep::kNone:
      return "";
    case FailedStep::kFetch:
      return "fetch";
    case FailedStep::kStartMarker:
      return "start_marker";
    case FailedStep::kEndMarker:
      return "end_marker";
    case FailedStep::kEmptyCut:
      return "empty_cut";
    case FailedStep::kPattern:
      return "pattern";
    case FailedStep::kNoMatch:
      return "no_match";
  }
  return "";
}

void RecordRun(HealthBook& book, const RuleReport& report) {
  RuleHealth& health = book[report.rule_id];
  health.failing_rounds =
      report.failed_step == FailedStep::kNone ? 0 : health.failing_rounds + 1;
  if (report.posts.new_posts > 0) health.last_new = report.ran_at;
  const std::optional<RuleReport> before = std::move(health.last);
  health.last = report;
  if (report.fetch.unchanged && before) {
    health.last->cut = before->cut;
    health.last->pattern = before->pattern;
  }
}

}  // namespace dw
