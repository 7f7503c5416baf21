#pragma once

#include <functional>
#include <string>
#include <vector>

#include "collect/rule_health.h"
#include "store/rule_tree.h"

namespace dw {

struct RulesReload;

// One row of the post list, complete, so the window never shows half a row.
struct PostRow {
  std::string rule_id;       // column 0, decimal
  std::string link;          // column 1
  std::string rule_name;     // column 2
  std::string title;         // column 3
  std::string fetch_time;    // column 4
  bool keyword_hit = false;  // image 0 on column 3
};

// One row of the reminder list.
struct ReminderRow {
  std::string title;
  std::string link;
  std::string time;
  bool keyword_hit = false;
};

// What the collection engine needs of the windows. The application shell
// implements it; tests implement it with a recording object. All text is GBK.
//
// Every window operation below (the rule tree's included) is called on the
// GUI thread only. The collection worker never calls them itself: it hands
// each one to RunOnGuiThread, wrapped in a check that drops it when the
// worker has been stopped (or replaced) by the time it runs. So the
// operations can act on the widgets directly.
class CollectView : public RuleTree {
 public:
  // Status bar: part 1 gets `message`, part 2 gets `time`.
  virtual void ShowStatus(const std::string& message,
                          const std::string& time) = 0;

  // Post list: insert at the top.
  virtual void InsertPostRow(const PostRow& row) = 0;
  // The rows of one rule run, in the order found: as if each were inserted
  // at the top in turn, so the last ends on top.
  virtual void InsertPostRows(const std::vector<PostRow>& rows) {
    for (const PostRow& row : rows) InsertPostRow(row);
  }

  // Reminder window.
  virtual void ClearReminders() = 0;
  // Inserts at the top and shows the window when it is hidden.
  virtual void AddReminderRow(const ReminderRow& row) = 0;
  // The reminders of one rule run, in the order announced.
  virtual void AddReminderRows(const std::vector<ReminderRow>& rows) {
    for (const ReminderRow& row : rows) AddReminderRow(row);
  }
  // After each rule's run (a cut-short one too): the reminders added since
  // the last call are one batch, for the reminders that come once a batch.
  virtual void EndReminderBatch() {}

  // The health of a rule after each of its runs, for the rules window.
  virtual void ShowRuleHealth(int rule_id, const RuleHealth& health) {
    (void)rule_id;
    (void)health;
  }

  // The rules were loaded again: the rule tree afresh, health forgotten.
  virtual void ShowRulesReload(const RulesReload& reload) { (void)reload; }

  // How many found posts wait for the database, and the engine's reason
  // for its last refusal; after each rule run.
  virtual void ShowWaitingPosts(int count, const std::string& reason) {
    (void)count;
    (void)reason;
  }

  // Called from the collection worker: queues `call` to run later on the GUI
  // thread and returns at once, without waiting for it. Calls run in the
  // order they were queued. Calls still queued when the view goes away are
  // dropped, never run (they refer to the program-wide state).
  virtual void RunOnGuiThread(std::function<void()> call) = 0;
};

}  // namespace dw
