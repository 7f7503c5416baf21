// When each rule is asked, beside the round that asks every ticked rule: a
// rule's own interval, the back-off of a site that keeps failing, and a
// server's request to wait. All decisions take the time as an argument, so
// that they can be followed with any clock.
#pragma once

#include <map>
#include <optional>

#include "runtime/date_time.h"

namespace dw {

// Rounds in a row a rule must fail before back-off holds it.
inline constexpr int kBackOffAfterRounds = 3;
// However long the back-off has grown, a held rule is asked again within
// this time.
inline constexpr int kMostBackOffSeconds = 30 * 60;
// A server's wish to wait beyond this is taken as this.
inline constexpr long long kMostRetryAfterSeconds = 24 * 60 * 60;

struct RulePace {
  std::optional<DateTime> last_run;    // when its last run began
  int rounds_to_skip = 0;              // back-off: rounds still passed over
  std::optional<DateTime> not_before;  // a server asked for quiet till then
};

using PaceBook = std::map<int, RulePace>;

// Whether the rule runs in the round now under way. A round that passes it
// over for back-off counts against the rounds it must skip.
bool TakeTurn(RulePace& pace, int interval_minutes, DateTime now);

// After a run that began at `ran_at`: with back-off on, a rule that has now
// failed `failing_rounds` in a row (three or more) skips 1, 2, 4 ... rounds
// (no more than fit into kMostBackOffSeconds at `round_pause_seconds`
// each), and a server's Retry-After on 429 or 503 is honoured. Returns when
// the rule will be tried next if it is held back; nothing when it runs in
// the next round as usual.
std::optional<DateTime> PaceAfterRun(RulePace& pace, DateTime ran_at,
                                     bool back_off, int failing_rounds,
                                     std::optional<long long> retry_after_s,
                                     int round_pause_seconds);

// The user tested or saved the rule: it is asked in the next round.
void TryAtOnce(RulePace& pace);

}  // namespace dw
