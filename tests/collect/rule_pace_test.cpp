#include "collect/rule_pace.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace dw {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

// Rounds every `pause` seconds (plus the few a round takes) on a clock the
// test keeps; which of them ran the rule.
struct PaceCase {
  const char* what;
  int interval_minutes;
  bool back_off;
  bool fails;
  std::optional<long long> retry_after_s;  // every failing answer's
  std::vector<int> tried_at;               // 0 = a tester's click before it
  std::vector<int> runs;                   // the rounds (from 1) that ran
};

TEST(RulePace, RoundsThatRunARuleFollowItsIntervalBackOffAndTheServersWish) {
  const PaceCase cases[] = {
      {"every round by default", 0, false, true, 600, {}, {1, 2, 3, 4, 5, 6}},
      {"an interval of 5 minutes", 5, false, false, {}, {}, {1, 3, 5, 7, 9}},
      {"back-off doubles the rounds skipped",
       0,
       true,
       true,
       {},
       {},
       {1, 2, 3, 5, 8, 13, 22, 34, 46}},  // the last two by the time cap
      {"a good site is asked every round with back-off on",
       0,
       true,
       false,
       {},
       {},
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"a test or a save ends the wait",
       0,
       true,
       true,
       {},
       {10},
       {1, 2, 3, 5, 8, 10, 19}},
      {"Retry-After is honoured with back-off on",
       0,
       true,
       true,
       600,
       {},
       {1, 5, 9, 13}},
  };
  constexpr int kPause = 150;
  for (const PaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    RulePace pace;
    int failing = 0;
    std::vector<int> runs;
    const int last_round = static_cast<int>(c.runs.back());
    for (int round = 1; round <= last_round; ++round) {
      const DateTime now{(round - 1) * (kPause + 2) * kSecond};
      for (int at : c.tried_at) {
        if (at == round) TryAtOnce(pace);
      }
      if (!TakeTurn(pace, c.interval_minutes, now)) continue;
      runs.push_back(round);
      failing = c.fails ? failing + 1 : 0;
      PaceAfterRun(pace, now, c.back_off, failing,
                   c.fails ? c.retry_after_s : std::nullopt, kPause);
    }
    EXPECT_EQ(runs, c.runs);
  }
}

TEST(RulePace, AHeldRuleIsAskedAgainWithinHalfAnHourAndSaysWhen) {
  RulePace pace;
  const DateTime ran{1000.0};
  // Twenty failures in a row at a pause of 30 s: 2^17 rounds would be
  // weeks; the wait is capped at 30 minutes.
  const std::optional<DateTime> next =
      PaceAfterRun(pace, ran, true, 20, std::nullopt, 30);
  ASSERT_TRUE(next);
  EXPECT_NEAR((next->days - ran.days) / kSecond, 30 * 60, 1);
  EXPECT_FALSE(TakeTurn(pace, 0, DateTime{ran.days + 29 * 60 * kSecond}));
  EXPECT_TRUE(TakeTurn(pace, 0, DateTime{ran.days + 30 * 60 * kSecond}));
  EXPECT_FALSE(PaceAfterRun(pace, ran, false, 20, 600, 30));
}

}  // namespace
}  // namespace dw
