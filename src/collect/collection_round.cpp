#include "collect/collection_round.h"

#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "collect/collect_rule.h"
#include "collect/collect_texts.h"
#include "collect/handle_post.h"
#include "collect/health_record.h"
#include "collect/pending_posts.h"
#include "collect/rule_settled.h"
#include "collect/run_log.h"
#include "collect/saved_rules.h"
#include "collect/waiting_retry.h"
#include "runtime/date_time.h"
#include "runtime/delay.h"
#include "runtime/threads.h"
#include "store/rule_settings.h"
#include "text/time_text.h"

namespace dw {
namespace {

// The rules the user tested or saved since the last round lose their
// back-off.
void TakeTryAtOnce(ProgramState& state) {
  std::set<int> ids;
  {
    const std::lock_guard<std::mutex> lock(state.retry_mutex);
    ids.swap(state.retry_now);
  }
  for (int id : ids) TryAtOnce(state.paces[id]);
}

int IntervalMinutes(const ProgramState& state, int rule_id) {
  const RuleSettingTexts& settings = state.rule_table.RuleSettings(rule_id);
  const auto found = settings.find("interval_minutes");
  if (found == settings.end()) return 0;
  RuleRow row;
  return SetRuleSetting(row, found->first, found->second) ? row.interval_minutes
                                                          : 0;
}

}  // namespace

ChosenRules TickedRules(RuleTree& tree) {
  ChosenRules chosen;
  const int count = tree.RuleTreeItemCount();
  for (int index = 0; index < count; ++index) {
    if (tree.RuleTreeCheckState(index) != 1) continue;
    const int rule_id = tree.RuleTreeItemValue(index);
    if (RuleTable::HasRow(rule_id)) chosen.push_back(rule_id);
  }
  return chosen;
}

void ShowStatus(WorkerContext& ctx, const std::string& text) {
  ShowOnGui(ctx, [&view = ctx.view, message = " " + text,
                  time = TimeText(false)] { view.ShowStatus(message, time); });
}

void NoteRuleRun(WorkerContext& ctx, const RuleReport& report) {
  ProgramState& state = ctx.state;
  RecordRun(state.health, report);
  NoteRuleSettled(state, report);
  state.health[report.rule_id].waiting_posts =
      WaitingPostsOf(state, report.rule_id);
  RuleHealth& health = state.health[report.rule_id];
  health.next_try = PaceAfterRun(state.paces[report.rule_id], report.ran_at,
                                 state.pacing.back_off, health.failing_rounds,
                                 report.fetch.retry_after_s,
                                 (state.pacing.round_pause_ms + 999) / 1000);
  // Only a good run's page may stand for the next: one that failed must be
  // read whole again, or its failure would pass for "unchanged".
  if (report.failed_step != FailedStep::kNone) {
    state.validators.erase(report.rule_id);
  } else if (!report.fetch.unchanged) {
    state.validators[report.rule_id] = report.fetch.validators;
  }
  // Kept, so that a restart does not make every rule look as if it never
  // ran; a failed write costs only that.
  // A database that refused this run is not waited for a second time: the
  // health goes with a later run's.
  if (!state.database_refused &&
      !SaveRuleHealth(state.database, report.rule_id,
                      state.health[report.rule_id])) {
    state.database_refused = true;
  }
  AppendToLog(LogPathBeside(state.database_path), RunLogLine(report));
  // Shown even when a pause follows: the run it tells of did finish.
  ShowStoredOnGui(ctx, [&view = ctx.view, rule_id = report.rule_id,
                        health = state.health[report.rule_id]] {
    view.ShowRuleHealth(rule_id, health);
  });
  ShowStoredOnGui(
      ctx,
      [&view = ctx.view, count = static_cast<int>(state.pending_posts.size()),
       reason = state.refusal] { view.ShowWaitingPosts(count, reason); });
}

RuleReport RunRule(WorkerContext& ctx, int rule_id) {
  ProgramState& state = ctx.state;
  state.database_refused = false;
  RunShown shown;
  ctx.run = &shown;
  BeginRunTransaction(state);
  RuleReport report = CollectRule(ctx, rule_id);
  RetryPendingPosts(state, [&ctx](const StoredPost& stored) {
    AddReminder(ctx, stored.title, stored.url, stored.zt == 1);
  });
  if (!EndRunTransaction(state)) {
    // Every insert the run counted was in the refused commit.
    report.posts.store_failed += report.posts.stored;
    report.posts.stored = 0;
  }
  ctx.run = nullptr;
  // Shown only now, once stored or given to the pending posts: a crash
  // before the commit leaves nothing announced that the next start would
  // not find new again.
  ShowRun(ctx, std::move(shown));
  ShowStoredOnGui(ctx, [&view = ctx.view] { view.EndReminderBatch(); });
  return report;
}

void AskToTryAtOnce(ProgramState& state, int rule_id) {
  const std::lock_guard<std::mutex> lock(state.retry_mutex);
  state.retry_now.insert(rule_id);
}

void CollectionWorker(WorkerContext& ctx, ChosenRules chosen) {
  ProgramState& state = ctx.state;
  state.chosen_rules = std::move(chosen);
  // A start reads every page whole and asks every rule.
  state.paces.clear();
  state.validators.clear();
  while (!StopRequested()) {
    ShowOnGui(ctx, [&view = ctx.view] { view.ClearReminders(); });
    TakeTryAtOnce(state);
    for (int rule_id : state.chosen_rules) {
      if (StopRequested()) return;
      if (!TakeTurn(state.paces[rule_id], IntervalMinutes(state, rule_id),
                    Now())) {
        continue;
      }
      ShowStatus(ctx,
                 kStatusCollecting + state.rule_table.Cell(rule_id, kRuleName));
      const RuleReport report = RunRule(ctx, rule_id);
      // A run a pause cut short says nothing about the rule.
      if (StopRequested()) return;
      NoteRuleRun(ctx, report);
      Delay(state.pacing.rule_pause_ms);
    }
    if (StopRequested()) return;
    state.first_round = false;
    ShowStatus(ctx, RoundDoneStatus(state.pacing.round_pause_ms));
    RestRetryingWaitingPosts(ctx, state.pacing.round_pause_ms);
    if (StopRequested()) return;
    TakeSavedRulesBetweenRounds(ctx);
  }
}

void StartCollection(ProgramState& state, CollectView& view) {
  ChosenRules chosen = TickedRules(view);
  const std::uint64_t generation = ++state.collection_generation;
  // A start without a pause first still leaves one worker running; the new
  // one waits for it, so the GUI thread never does.
  RestartThread(state.collection_worker,
                [&state, &view, chosen = std::move(chosen), generation] {
                  WorkerContext ctx{state, view, generation};
                  CollectionWorker(ctx, chosen);
                });
}

}  // namespace dw
