#include "collect/handle_post.h"

#include <string>
#include <utility>
#include <vector>

#include "collect/pending_posts.h"
#include "collect/rule_settled.h"
#include "runtime/text_ops.h"
#include "runtime/threads.h"
#include "store/post_time.h"
#include "store/statements.h"
#include "text/time_text.h"

namespace dw {

bool HasKeyword(const std::string& title, const KeywordList& keywords) {
  for (const std::string& keyword : keywords) {
    if (FindText(title, keyword, 1, /*ignoreCase=*/true) != -1) return true;
  }
  return false;
}

void AddReminder(WorkerContext& ctx, const std::string& title,
                 const std::string& link, bool keyword_hit) {
  ReminderRow row{title, link, TimeText(false), keyword_hit};
  if (ctx.run) {
    ctx.run->reminders.push_back(std::move(row));
    return;
  }
  ShowStoredOnGui(ctx, [&view = ctx.view, row = std::move(row)] {
    view.AddReminderRow(row);
  });
}

void ShowPostRow(WorkerContext& ctx, PostRow row, bool stored) {
  if (ctx.run) {
    ctx.run->rows.push_back({std::move(row), stored});
  } else if (stored) {
    ShowStoredOnGui(ctx, [&view = ctx.view, row = std::move(row)] {
      view.InsertPostRow(row);
    });
  } else {
    ShowOnGui(ctx, [&view = ctx.view, row = std::move(row)] {
      view.InsertPostRow(row);
    });
  }
}

void ShowRun(WorkerContext& ctx, RunShown shown) {
  if (!shown.rows.empty()) {
    ctx.view.RunOnGuiThread([&state = ctx.state, &view = ctx.view,
                             generation = ctx.generation,
                             rows = std::move(shown.rows)] {
      const bool current = state.collection_generation == generation;
      std::vector<PostRow> listed;
      listed.reserve(rows.size());
      for (const RunShown::Row& row : rows) {
        if (current || row.stored) listed.push_back(row.row);
      }
      if (!listed.empty()) view.InsertPostRows(listed);
    });
  }
  if (!shown.reminders.empty()) {
    ShowStoredOnGui(ctx,
                    [&view = ctx.view, reminders = std::move(shown.reminders)] {
                      view.AddReminderRows(reminders);
                    });
  }
}

bool HandlePost(WorkerContext& ctx, const Post& post,
                RuleReport::Posts* counts) {
  RuleReport::Posts ignored;
  if (!counts) counts = &ignored;
  if (StopRequested()) return false;
  ProgramState& state = ctx.state;
  const bool keyword_hit = HasKeyword(post.title, state.keyword_list);
  PostRow row{std::to_string(post.rule_id),
              post.link,
              post.rule_name,
              post.title,
              TimeText(false),
              keyword_hit};

  // Posts whose insert failed go first, so they keep their order in `info`
  // and the first-round check below finds them once stored. While one is
  // still refused the database is most likely still held: this post waits
  // behind it rather than wait out the same lock a second time.
  const AnnouncePost announce = [&ctx](const StoredPost& stored) {
    AddReminder(ctx, stored.title, stored.url, stored.zt == 1);
  };
  RetryPendingPosts(state, announce);
  if (StopRequested()) return false;
  // Already stored (or waiting to be): listed, but neither announced nor
  // stored again. Every kind is checked, those numbered by last id too:
  // their advanced last id is not kept across a restart. Past the first
  // round, a rule that has not yet run well as it now stands is checked
  // too: its page was down until now, or an edit gave its posts new keys. A
  // lookup the database refused says nothing: the post waits, unannounced, and
  // is looked up again before its insert.
  Stored found = IsPending(state, post.link) ? Stored::kYes : Stored::kNo;
  if (found == Stored::kNo &&
      (state.first_round || !RuleSettled(state, post.rule_id))) {
    found = TryFindStoredPost(state, post.link);
    if (StopRequested()) return false;
  }
  StoredPost stored;
  stored.planName = post.rule_name;
  stored.planId = post.rule_id;
  stored.title = post.title;
  stored.url = post.link;
  const DateTime found_at = Now();
  stored.addTime = TimeTextAt(found_at, false);
  stored.fetchedAt = UnixTimeOf(found_at);
  stored.zt = keyword_hit ? 1 : 0;
  if (found == Stored::kYes) {
    ++counts->already_stored;
    ShowPostRow(ctx, std::move(row), false);
    return true;
  }
  if (found == Stored::kUnknown) {
    // Kept like a stored post: its row shows even when a pause follows.
    ++counts->store_failed;
    AddPendingPost(state, {std::move(stored), true, true});
    ShowPostRow(ctx, std::move(row), true);
    return true;
  }

  if (StopRequested()) return false;
  // The row and the reminder are queued once the insert was made, and are
  // shown even if a pause comes first: a pause can then never leave a
  // stored post unseen, nor show one it kept from being stored. They still
  // reach the windows in the order row, reminder, before the next post. An
  // insert that fails (or waits behind pending posts) leaves the post
  // pending, to be stored later unseen.
  ++counts->new_posts;
  if (state.pending_posts.empty() && TryStorePost(state, stored)) {
    ++counts->stored;
  } else {
    ++counts->store_failed;
    AddPendingPost(state, {std::move(stored), false, false});
  }
  ShowPostRow(ctx, std::move(row), true);
  AddReminder(ctx, post.title, post.link, keyword_hit);
  return true;
}

}  // namespace dw
