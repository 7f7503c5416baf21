#include "collect/waiting_retry.h"

#include <algorithm>
#include <chrono>

#include "collect/handle_post.h"
#include "collect/pending_posts.h"
#include "runtime/delay.h"
#include "runtime/threads.h"

namespace dw {
namespace {

constexpr int kFirstGapMs = 500;
constexpr int kLastGapMs = 5000;

// The windows follow what still waits: the count, and each rule's share.
void ShowWaiting(WorkerContext& ctx) {
  ProgramState& state = ctx.state;
  for (auto& [rule_id, health] : state.health) {
    const int waiting = WaitingPostsOf(state, rule_id);
    if (health.waiting_posts == waiting) continue;
    health.waiting_posts = waiting;
    ShowStoredOnGui(ctx, [&view = ctx.view, rule_id = rule_id, health] {
      view.ShowRuleHealth(rule_id, health);
    });
  }
  ShowStoredOnGui(
      ctx,
      [&view = ctx.view, count = static_cast<int>(state.pending_posts.size()),
       reason = state.refusal] { view.ShowWaitingPosts(count, reason); });
  ShowStoredOnGui(ctx, [&view = ctx.view] { view.EndReminderBatch(); });
}

}  // namespace

void RestRetryingWaitingPosts(WorkerContext& ctx, int pause_ms) {
  using Clock = std::chrono::steady_clock;
  ProgramState& state = ctx.state;
  const Clock::time_point end =
      Clock::now() + std::chrono::milliseconds(pause_ms);
  const auto left_ms = [&] {
    return std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(end -
                                                                 Clock::now())
               .count());
  };
  int gap = kFirstGapMs;
  while (!StopRequested() && left_ms() > 0) {
    if (state.pending_posts.empty()) {
      Delay(static_cast<double>(left_ms()));
      return;
    }
    Delay(static_cast<double>(std::min<long long>(gap, left_ms())));
    if (StopRequested()) return;
    const std::size_t before = state.pending_posts.size();
    state.database_refused = false;
    RetryPendingPosts(state, [&ctx](const StoredPost& stored) {
      AddReminder(ctx, stored.title, stored.url, stored.zt == 1);
    });
    const bool progressed = state.pending_posts.size() < before;
    if (progressed) ShowWaiting(ctx);
    gap = progressed ? kFirstGapMs : std::min(gap * 2, kLastGapMs);
  }
}

}  // namespace dw
