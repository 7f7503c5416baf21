#include "collect/rule_pace.h"

#include <algorithm>

namespace dw {
namespace {

constexpr double kSecondsPerDay = 86400.0;

DateTime Later(DateTime time, long long seconds) {
  return DateTime{time.days + static_cast<double>(seconds) / kSecondsPerDay};
}

bool Before(DateTime a, DateTime b) { return a.days < b.days; }

}  // namespace

bool TakeTurn(RulePace& pace, int interval_minutes, DateTime now) {
  // A round the server's wish passes over counts against the back-off too.
  bool held = pace.not_before && Before(now, *pace.not_before);
  if (pace.rounds_to_skip > 0) {
    const bool overdue =
        pace.last_run &&
        !Before(now, Later(*pace.last_run, kMostBackOffSeconds));
    if (overdue) {
      pace.rounds_to_skip = 0;
    } else {
      --pace.rounds_to_skip;
      held = true;
    }
  }
  if (held) return false;
  if (interval_minutes > 0 && pace.last_run &&
      Before(now, Later(*pace.last_run, interval_minutes * 60LL))) {
    return false;
  }
  return true;
}

std::optional<DateTime> PaceAfterRun(RulePace& pace, DateTime ran_at,
                                     bool back_off, int failing_rounds,
                                     std::optional<long long> retry_after_s,
                                     int round_pause_seconds) {
  pace.last_run = ran_at;
  pace.rounds_to_skip = 0;
  pace.not_before.reset();
  if (!back_off) return std::nullopt;
  std::optional<DateTime> next;
  if (failing_rounds >= kBackOffAfterRounds) {
    const int doublings = std::min(failing_rounds - kBackOffAfterRounds, 16);
    const int fit =
        std::max(1, kMostBackOffSeconds / std::max(1, round_pause_seconds));
    pace.rounds_to_skip = std::min(1 << doublings, fit);
    // Each round lasts at least its pause, and the cap ends any wait.
    next = Later(ran_at, std::min<long long>(
                             static_cast<long long>(pace.rounds_to_skip + 1) *
                                 round_pause_seconds,
                             kMostBackOffSeconds));
  }
  if (retry_after_s && *retry_after_s > 0) {
    pace.not_before =
        Later(ran_at, std::min(*retry_after_s, kMostRetryAfterSeconds));
    if (!next || Before(*next, *pace.not_before)) next = pace.not_before;
  }
  return next;
}

void TryAtOnce(RulePace& pace) {
  pace.rounds_to_skip = 0;
  pace.not_before.reset();
}

}  // namespace dw
