#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "collect/collect_view.h"

namespace dw::testing {

// A CollectView that keeps what the windows would show. The test's own
// thread plays the GUI thread: calls the worker queues run only when the
// test pumps them.
class RecordingView : public CollectView {
 public:
  struct TreeItem {
    std::string text;
    int value;
    int check_state;
  };

  // Rule tree.
  void ClearRuleTree() override { tree.clear(); }
  void AddRuleTreeItem(const std::string& text, int value,
                       int check_state) override {
    tree.push_back({text, value, check_state});
  }
  int RuleTreeItemCount() override { return static_cast<int>(tree.size()); }
  int RuleTreeCheckState(int index) override {
    return Valid(index) ? tree[index].check_state : -1;
  }
  int RuleTreeItemValue(int index) override {
    return Valid(index) ? tree[index].value : 0;
  }

  // Windows, as seen after pumping: lists hold their top row first.
  void ShowStatus(const std::string& message,
                  const std::string& time) override {
    statuses.push_back(message);
    status_time = time;
  }
  void InsertPostRow(const PostRow& row) override { posts.push_front(row); }
  void ClearReminders() override {
    reminders.clear();
    ++reminder_clears;
  }
  void AddReminderRow(const ReminderRow& row) override {
    reminders.push_front(row);
    reminder_shown = true;
  }
  void ShowRuleHealth(int rule_id, const RuleHealth& shown) override {
    health[rule_id] = shown;
  }

  // Worker side.
  void RunOnGuiThread(std::function<void()> call) override {
    std::function<void()> hook;
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(call));
      ++queued_;
      if (on_queue_ && queued_ == on_queue_at_) hook = on_queue_;
    }
    changed_.notify_all();
    if (hook) hook();
  }

  // Runs `hook` on the worker's thread right after its `n`-th queued call.
  void OnQueuedCall(int n, std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    on_queue_at_ = n;
    on_queue_ = std::move(hook);
  }

  // Runs every queued call, in order, on the calling thread.
  void Pump() {
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return;
        call = std::move(queue_.front());
        queue_.pop_front();
      }
      call();
    }
  }

  // Pumps until `done` holds or `timeout` passes; returns `done`'s value.
  template <typename Done>
  bool PumpUntil(Done done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      Pump();
      if (done()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      // Also look again now and then: `done` may watch more than the queue.
      const auto next = std::min(deadline, std::chrono::steady_clock::now() +
                                               std::chrono::milliseconds(20));
      std::unique_lock lock(mutex_);
      changed_.wait_until(lock, next, [&] { return !queue_.empty(); });
    }
  }

  int QueuedCalls() {
    std::lock_guard lock(mutex_);
    return queued_;
  }

  std::vector<TreeItem> tree;
  std::vector<std::string> statuses;
  std::string status_time;
  std::deque<PostRow> posts;
  std::deque<ReminderRow> reminders;
  int reminder_clears = 0;
  bool reminder_shown = false;
  HealthBook health;

 private:
  bool Valid(int index) const {
    return index >= 0 && index < static_cast<int>(tree.size());
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  int queued_ = 0;
  int on_queue_at_ = 0;
  std::function<void()> on_queue_;
};

}  // namespace dw::testing
