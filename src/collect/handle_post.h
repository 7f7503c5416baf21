#pragma once

#include <string>

#include "collect/rule_report.h"
#include "collect/worker_context.h"

namespace dw {

// A post found new on a rule's page: what the page gave (id, title, link)
// and the rule it came from.
struct Post : FoundPost {
  int rule_id = 0;
  std::string rule_name;
  int kind = 0;  // the rule's `type`
};

// Lists the post at the top of the post list (marked when its title holds a
// keyword), and unless the first round finds it already stored (or it waits
// among the pending posts), stores it and announces it; an insert that fails
// leaves it pending. Pending posts are tried first. False when a stop
// request cut it short before its insert; then nothing of it is shown
// either. `counts`, when given, counts what became of the post.
bool HandlePost(WorkerContext& ctx, const Post& post,
                RuleReport::Posts* counts = nullptr);

// Puts the post at the top of the reminder list and shows the reminder
// window when it is hidden (with the rest of the rule run when one is open);
// for a post already stored, so it is shown even when a pause follows.
void AddReminder(WorkerContext& ctx, const std::string& title,
                 const std::string& link, bool keyword_hit);

// Lists `row` at the top of the post list: with the rest of the rule run
// when one is open, otherwise at once. A `stored` row is shown even when a
// pause comes first; another is dropped with the worker that found it.
void ShowPostRow(WorkerContext& ctx, PostRow row, bool stored);

// Hands what a rule run held back to the windows: its rows in one insert,
// then its reminders in one.
void ShowRun(WorkerContext& ctx, RunShown shown);

// True when `title` holds one of `keywords`, ASCII letters compared without
// regard to case. An empty keyword is in every non-empty title.
bool HasKeyword(const std::string& title, const KeywordList& keywords);

}  // namespace dw
