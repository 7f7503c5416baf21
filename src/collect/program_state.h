#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "collect/page_validators.h"
#include "collect/rule_health.h"
#include "collect/rule_pace.h"
#include "collect/seen_ids.h"
#include "runtime/database.h"
#include "runtime/threads.h"
#include "store/rule_table.h"
#include "store/statements.h"

namespace dw {

// The rule ids one round walks, in tree order.
using ChosenRules = std::vector<int>;

// A post waiting for the database. One whose first-round lookup the
// database refused is not known to be new: it is looked up again before
// its insert, dropped when found, and announced only once stored.
struct PendingPost {
  StoredPost post;
  bool lookup_owed = false;
  bool announce_when_stored = false;
};

// How long the worker rests after each rule and after each round, and
// whether a failing site is asked less often.
struct CollectionPacing {
  int rule_pause_ms = 800;
  int round_pause_ms = 150 * 1000;
  bool back_off = false;
};

// Everything the program shares between start-up, the windows and the
// collection worker. Start-up creates one, opens the database and loads the
// rules and settings into it, then hands it to the engine by reference.
// While a worker runs only that worker touches the database, the rules, the
// keywords, the seen ids, the first-round flag, the pending posts and the
// rule health; workers follow each other, never overlap, so none of it
// needs a lock.
struct ProgramState {
  ProgramState() = default;
  // Stops and waits for the worker if the program did not do so itself.
  ~ProgramState();
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

  // The file `database` was opened from; the log and every connection of
  // another thread (the rules window's test) go by it.
  std::string database_path;
  Database database;
  RecordSet record_set;
  RuleTable rule_table;
  ChosenRules chosen_rules;
  KeywordList keyword_list;
  SeenIds seen_ids;
  Settings settings;
  // True from start-up until the first round that runs to its end.
  bool first_round = false;
  // Rules that ran well since start-up, each with the shape it had then
  // (see rule_settled.h).
  std::map<int, std::string> settled_rules;
  // Posts listed whose insert (or first-round lookup) failed, oldest first.
  // Each is in the journal beside the database too (see post_journal.h).
  std::vector<PendingPost> pending_posts;
  // The journal still holds posts stored since: it is written again once
  // their transaction has been committed.
  bool journal_stale = false;
  // Set once the database refused a statement in the current rule run, with
  // the engine's reason: later posts of the run then queue behind the
  // pending ones instead of waiting out the same lock again. The worker
  // clears the flag before each rule run.
  bool database_refused = false;
  std::string refusal;
  // While a rule run's inserts share one open transaction: the posts stored
  // in it so far, which wait again should it not be committed.
  bool run_transaction_open = false;
  std::vector<StoredPost> uncommitted_posts;
  // Their rows in `info`, whose history is written once they are committed.
  std::vector<std::int64_t> uncommitted_ids;
  // Raised by the worker when a run's history was refused as damaged; the
  // history's upkeep takes it and checks (and rebuilds) the indexes at once.
  std::atomic<bool> history_write_damaged{false};
  // How each rule has fared; the worker keeps it, the view gets copies.
  HealthBook health;
  // Raised on the GUI thread when saved rules wait for the running worker,
  // which takes them between two rounds (the one thing both threads touch).
  std::atomic<bool> rules_saved{false};
  // `lastid` of each rule as last read from the database.
  std::map<int, std::string> loaded_lastid;
  // Since the worker started: when each rule may run next, and what its
  // last good run read (so that an unchanged page costs only its headers).
  // A start clears both, so its first round reads every page whole.
  PaceBook paces;
  std::map<int, PageValidators> validators;
  // Rules the user tested or saved: asked in the next round whatever their
  // back-off says. Written on the GUI thread, taken by the worker.
  std::mutex retry_mutex;
  std::set<int> retry_now;

  // The last worker started (it waits for its predecessor before it does
  // anything, so this one handle reaches all of them).
  ThreadHandle collection_worker;
  // Tags what a worker shows; moved on by every start and every stop, so
  // what an abandoned worker queued is dropped. GUI thread only.
  std::uint64_t collection_generation = 0;
  CollectionPacing pacing;
};

}  // namespace dw
