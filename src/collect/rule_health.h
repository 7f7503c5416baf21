// How each rule has fared over the rounds since start-up.
#pragma once

#include <map>
#include <optional>

#include "collect/rule_report.h"

namespace dw {

// Rounds in a row ending in a failing step after which a rule is unhealthy.
inline constexpr int kUnhealthyAfterRounds = 3;

struct RuleHealth {
  std::optional<RuleReport> last;    // nothing until the rule first ran
  int failing_rounds = 0;            // in a row; a good round clears it
  std::optional<DateTime> last_new;  // when a post of it was last new
  int waiting_posts = 0;  // posts of the rule waiting for the database now
  // When back-off or the server's wish lets the rule run again; nothing
  // while it runs every round.
  std::optional<DateTime> next_try;

  bool Failing() const { return failing_rounds > 0; }
  bool Unhealthy() const { return failing_rounds >= kUnhealthyAfterRounds; }
};

// Health by rule id.
using HealthBook = std::map<int, RuleHealth>;

// Takes one finished run into the book: a run whose first failing step is
// any but kNone (no match included) adds a failing round, a good one clears
// them. A run that found its page unchanged keeps what the last run cut and
// matched on it.
void RecordRun(HealthBook& book, const RuleReport& report);

}  // namespace dw
