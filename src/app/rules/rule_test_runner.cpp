#include "app/rules/rule_test_runner.h"

#include "collect/rule_probe.h"

namespace dw {

void RuleTestRunner::Start(RuleRow row, std::optional<std::string> page_bytes) {
  job_.Start<RuleReport>(
      this,
      [row = std::move(row), page_bytes = std::move(page_bytes)](Database& db) {
        return ProbeRule(row, db, page_bytes);
      },
      [this](const RuleReport& report) { emit Finished(report); });
}

}  // namespace dw
