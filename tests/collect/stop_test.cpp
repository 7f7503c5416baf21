#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "collect/collect_texts.h"
#include "round_fixture.h"

namespace dw::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

// A worker stopped somewhere must end quickly; this bound only catches a
// worker that waits out its request or pause.
constexpr auto kPromptly = seconds(3);

// Holds the worker inside one of its queued calls until the test lets go.
class Gate {
 public:
  void Arrive() {
    std::unique_lock lock(mutex_);
    arrived_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
  }
  bool WaitArrived() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, seconds(30), [&] { return arrived_; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool arrived_ = false;
  bool open_ = false;
};

class StopTest : public RoundTest {
 protected:
  // A worker held at the gate by a failed check must still end first.
  ~StopTest() override {
    gate_.Open();
    EndCollection(state_);
  }

  // Pauses and waits for the worker; returns how long that took.
  Clock::duration PauseAndJoin() {
    const auto start = Clock::now();
    StopCollection(state_);
    EndCollection(state_);
    return Clock::now() - start;
  }

  bool WaitForStatus(const std::string& text, int count = 1) {
    return view_.PumpUntil([&] { return CountStatus(text) >= count; },
                           seconds(30));
  }

  // Starts collection and pauses it while the worker is inside the insert
  // of its `n`-th post; returns once the worker has ended and what it
  // queued has been delivered (or dropped). Later starts run freely.
  void PauseAtInsert(int n) {
    OnInsert(n, [this] { gate_.Arrive(); });
    StartCollection(state_, view_);
    const bool arrived = gate_.WaitArrived();
    StopCollection(state_);
    gate_.Open();
    EndCollection(state_);
    view_.Pump();
    ASSERT_TRUE(arrived);
  }

  // What the windows show once every queued call has been delivered.
  void ExpectNothingMoreShown() {
    const size_t statuses = view_.statuses.size();
    const size_t posts = view_.posts.size();
    const size_t reminders = view_.reminders.size();
    std::this_thread::sleep_for(milliseconds(100));
    view_.Pump();
    EXPECT_EQ(view_.statuses.size(), statuses);
    EXPECT_EQ(view_.posts.size(), posts);
    EXPECT_EQ(view_.reminders.size(), reminders);
  }

  Gate gate_;
};

TEST_F(StopTest, PauseAbandonsAHangingRequest) {
  for (const std::string& url :
       {site_->HangUrl("/"), site_->FaultUrl("/silent"),
        site_->FaultUrl("/drip")}) {
    SCOPED_TRACE(url);
    db_.Exec("delete from rule");
    db_.AddRule(ListRule(7, "Hang", url));
    state_.seen_ids = SeenIds();
    StartUp();
    const std::string collecting = std::string(kStatusCollecting) + "Hang";
    const int before = CountStatus(collecting);
    StartCollection(state_, view_);
    ASSERT_TRUE(WaitForStatus(collecting, before + 1));
    std::this_thread::sleep_for(milliseconds(300));  // request under way
    EXPECT_LT(PauseAndJoin(), kPromptly);
    ExpectNothingMoreShown();
    EXPECT_EQ(CountStatus(kStatusRoundDone), 0);
    EXPECT_TRUE(state_.first_round);
  }
}

TEST_F(StopTest, PauseAfterARuleEndsThePauseAndKeepsTheFirstRound) {
  const std::string url =
      WritePage("list", ListPage({{"2", "Two"}, {"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  RuleRow beta = ListRule(8, "Beta", url);
  beta.pinurl = "http://other.example/[1]";
  db_.AddRule(beta);
  StartUp();
  state_.pacing.rule_pause_ms = 60 * 1000;
  StartCollection(state_, view_);
  ASSERT_TRUE(
      view_.PumpUntil([&] { return db_.Info().size() == 2; }, seconds(30)));
  std::this_thread::sleep_for(milliseconds(100));  // into the pause
  view_.Pump();  // what the stored posts queued
  EXPECT_LT(PauseAndJoin(), kPromptly);
  ExpectNothingMoreShown();
  EXPECT_EQ(CountStatus(std::string(kStatusCollecting) + "Beta"), 0);
  EXPECT_TRUE(state_.first_round);

  // The next start is still a first round: Alpha's posts are new again, but
  // being stored they are not announced or stored twice.
  state_.pacing.rule_pause_ms = 10;
  RunRound();
  EXPECT_EQ(view_.posts.size(), 6u);
  EXPECT_EQ(view_.reminders.size(), 2u);  // Beta's
  EXPECT_EQ(db_.Info().size(), 4u);
  EXPECT_FALSE(state_.first_round);
}

TEST_F(StopTest, PauseAfterTheLastRuleLeavesTheRoundUnfinished) {
  db_.AddRule(ListRule(7, "Alpha", WritePage("list", ListPage({{"1", "1"}}))));
  StartUp();
  state_.pacing.rule_pause_ms = 60 * 1000;
  StartCollection(state_, view_);
  ASSERT_TRUE(
      view_.PumpUntil([&] { return db_.Info().size() == 1; }, seconds(30)));
  std::this_thread::sleep_for(milliseconds(100));  // into the pause
  view_.Pump();  // what the stored post queued
  EXPECT_LT(PauseAndJoin(), kPromptly);
  ExpectNothingMoreShown();
  EXPECT_EQ(CountStatus(kStatusRoundDone), 0);
  EXPECT_TRUE(state_.first_round);
}

// A pause while the worker waits on a database another program holds,
// before the post's insert: its id is taken back, so the next start, past
// the first round, still finds the post.
TEST_F(StopTest, APauseBeforeTheInsertTakesTheSeenIdBack) {
  db_.AddRule(ListRule(7, "Alpha", WritePage("list", ListPage({{"1", "1"}}))));
  StartUp();
  db_.Exec("BEGIN EXCLUSIVE");
  sqlite3_busy_handler(
      state_.database.Handle(),
      [](void* gate, int) {
        static_cast<Gate*>(gate)->Arrive();
        return 0;  // give up: the statement fails
      },
      &gate_);
  StartCollection(state_, view_);
  ASSERT_TRUE(gate_.WaitArrived());  // the first-round check waits
  StopCollection(state_);
  gate_.Open();
  EndCollection(state_);
  db_.Exec("COMMIT");
  state_.first_round = false;
  RunRound();
  EXPECT_EQ(ReminderTitles(), (std::vector<std::string>{"1"}));
  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{Link("1")}));
}

// A pause while the insert waits for a held database keeps the post
// pending: it is stored before the next post once the database frees.
TEST_F(StopTest, APauseWhileAnInsertWaitsKeepsThePostPending) {
  const std::string url =
      WritePage("list", ListPage({{"2", "Two"}, {"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  PastFirstRound();
  db_.Exec("BEGIN EXCLUSIVE");
  sqlite3_busy_handler(
      state_.database.Handle(),
      [](void* gate, int) {
        static_cast<Gate*>(gate)->Arrive();
        return 0;
      },
      &gate_);
  StartCollection(state_, view_);
  ASSERT_TRUE(gate_.WaitArrived());
  StopCollection(state_);
  gate_.Open();
  EndCollection(state_);
  db_.Exec("COMMIT");
  RunRound();
  EXPECT_EQ(ReminderTitles(), (std::vector<std::string>{"Two"}));
  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{Link("1"), Link("2")}));
}

TEST_F(StopTest, PauseDuringTheRoundPauseThenStartBeginsARoundAtOnce) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  state_.pacing = CollectionPacing();  // the program's own: 800 ms, 150 s
  StartCollection(state_, view_);
  ASSERT_TRUE(WaitForStatus(kStatusRoundDone));
  std::this_thread::sleep_for(milliseconds(100));  // into the 150 s pause
  EXPECT_LT(PauseAndJoin(), kPromptly);
  ExpectNothingMoreShown();

  const auto start = Clock::now();
  StartCollection(state_, view_);
  ASSERT_TRUE(WaitForStatus(std::string(kStatusCollecting) + "Alpha", 2));
  EXPECT_LT(Clock::now() - start, kPromptly);
  EXPECT_EQ(view_.reminder_clears, 2);
  EXPECT_TRUE(view_.reminders.empty());  // cleared by the new round
  EndCollection(state_);
}

TEST_F(StopTest, APostStoredBeforeAPauseIsShownAndNotHandedAgain) {
  const std::string url =
      WritePage("list", ListPage({{"2", "Two"}, {"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  PastFirstRound();  // a later round: ids decide newness alone
  // The pause comes while the first post handed (the page's last) is
  // being stored, before the GUI thread's turn.
  PauseAtInsert(1);
  EXPECT_EQ(PostTitles(), (std::vector<std::string>{"One"}));
  EXPECT_EQ(ReminderTitles(), (std::vector<std::string>{"One"}));
  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{Link("1")}));

  // The post the pause kept from being handled is found after the next
  // start; the stored one is not handed again.
  RunRound();
  EXPECT_EQ(PostTitles(), (std::vector<std::string>{"Two", "One"}));
  EXPECT_EQ(ReminderTitles(), (std::vector<std::string>{"Two"}));
  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{Link("1"), Link("2")}));
}

TEST_F(StopTest, PostsNumberedByLastIdAreNotHandedTwiceAfterAPause) {
  const std::string url = WritePage(
      "list", ListPage({{"103", "n103"}, {"102", "n102"}, {"101", "n101"}}));
  RuleRow rule = ListRule(10, "Delta", url);
  rule.type = "8";
  rule.lastid = "100";
  db_.AddRule(rule);
  StartUp();
  // 101 is stored, 102 is being stored when the pause comes; 103 is never
  // reached.
  PauseAtInsert(2);
  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{Link("101"), Link("102")}));
  EXPECT_EQ(ReminderTitles(), (std::vector<std::string>{"n102", "n101"}));

  RunRound();
  EXPECT_EQ(ReminderTitles(), (std::vector<std::string>{"n103"}));
  EXPECT_EQ(StoredUrls(),
            (std::vector<std::string>{Link("101"), Link("102"), Link("103")}));
  EXPECT_EQ(state_.rule_table.Cell(10, kRuleLastid), "103");
}

TEST_F(StopTest, ANewStartWaitsForTheOldWorkerWithoutBlocking) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  view_.OnQueuedCall(3, [this] { gate_.Arrive(); });
  StartCollection(state_, view_);
  ASSERT_TRUE(gate_.WaitArrived());
  StopCollection(state_);

  const auto start = Clock::now();
  StartCollection(state_, view_);  // returns while the old one still runs
  EXPECT_LT(Clock::now() - start, kPromptly);
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_EQ(view_.QueuedCalls(), 3);  // the new worker has not begun
  gate_.Open();

  ASSERT_TRUE(WaitForStatus(kStatusRoundDone));
  EndCollection(state_);
  view_.Pump();
  // The old worker stored the post before its pause and its announcement
  // was shown; the new round cleared the reminders and, still a first
  // round, lists the post again but finds it stored.
  EXPECT_EQ(PostTitles(), (std::vector<std::string>{"One", "One"}));
  EXPECT_TRUE(ReminderTitles().empty());
  EXPECT_EQ(db_.Info().size(), 1u);
  EXPECT_EQ(CountStatus(std::string(kStatusCollecting) + "Alpha"), 1);
}

TEST_F(StopTest, AStartWithoutAPauseReplacesTheRunningWorker) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  StartCollection(state_, view_);
  ASSERT_TRUE(WaitForStatus(kStatusRoundDone));
  StartCollection(state_, view_);
  ASSERT_TRUE(WaitForStatus(std::string(kStatusCollecting) + "Alpha", 2));
  EndCollection(state_);
  EXPECT_EQ(view_.reminder_clears, 2);
}

TEST_F(StopTest, ProgramEndStopsAndJoinsARunningWorker) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  auto state = std::make_unique<ProgramState>();
  ASSERT_TRUE(DbOpen(state->database, db_.path()));
  state->first_round = true;
  LoadRules(state->database, state->record_set, state->rule_table, view_);
  StartCollection(*state, view_);
  ASSERT_TRUE(WaitForStatus(kStatusRoundDone));
  const auto start = Clock::now();
  state.reset();  // in its 150 s pause
  EXPECT_LT(Clock::now() - start, kPromptly);
}

}  // namespace
}  // namespace dw::testing
