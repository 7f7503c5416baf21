#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <stdexcept>
#include <thread>

#include "runtime/delay.h"

namespace dw {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

struct DelayOutcome {
  long long waited_ms = -1;
  bool saw_stop = false;
};

// Runs Delay(seconds, 1) on a started thread, asking it to stop after
// stop_after when given.
DelayOutcome DelayOnThread(double seconds,
                           std::optional<milliseconds> stop_after) {
  DelayOutcome outcome;
  ThreadHandle worker;
  EXPECT_TRUE(StartThread(
      [&outcome, seconds] {
        auto start = Clock::now();
        Delay(seconds, 1);
        outcome.waited_ms = MsSince(start);
        outcome.saw_stop = StopRequested();
      },
      &worker));
  if (stop_after) {
    std::this_thread::sleep_for(*stop_after);
    EXPECT_FALSE(ThreadFinished(worker));
    EXPECT_TRUE(EndThread(worker));
  }
  EXPECT_TRUE(JoinThread(worker, 10000));
  EXPECT_FALSE(worker.Valid());
  return outcome;
}

TEST(Threads, EndThreadCutsALongDelayShort) {
  DelayOutcome cut = DelayOnThread(150, milliseconds(100));
  EXPECT_GE(cut.waited_ms, 50);
  EXPECT_LT(cut.waited_ms, 10000);
  EXPECT_TRUE(cut.saw_stop);

  DelayOutcome full = DelayOnThread(0.1, std::nullopt);
  EXPECT_GE(full.waited_ms, 95);
  EXPECT_FALSE(full.saw_stop);
}

TEST(Threads, StopRequestedBelongsToTheCallingThread) {
  EXPECT_FALSE(StopRequested());
  EXPECT_FALSE(OnRuntimeThread());
  std::promise<void> go;
  auto goFuture = go.get_future().share();
  std::atomic<int> stopsSeen{0};
  ThreadHandle a, b;
  auto body = [&] {
    goFuture.wait();
    if (StopRequested()) ++stopsSeen;
  };
  ASSERT_TRUE(StartThread(body, &a));
  ASSERT_TRUE(StartThread(body, &b));
  EndThread(a);
  EXPECT_FALSE(StopRequested());  // the caller was not asked to stop
  go.set_value();
  ASSERT_TRUE(JoinThread(a, 10000));
  ASSERT_TRUE(JoinThread(b, 10000));
  EXPECT_EQ(stopsSeen.load(), 1);
}

TEST(Threads, JoinTimesOutWhileRunningAndEmptyHandlesAreCalm) {
  ThreadHandle worker;
  ASSERT_TRUE(StartThread([] { Delay(60, 1); }, &worker));
  EXPECT_FALSE(JoinThread(worker, 20));
  EXPECT_TRUE(worker.Valid());
  EndThread(worker);
  EXPECT_TRUE(JoinThread(worker));
  ThreadHandle empty;
  EXPECT_FALSE(EndThread(empty));
  EXPECT_TRUE(JoinThread(empty));
  EXPECT_TRUE(ThreadFinished(empty));
}

TEST(Threads, UnownedThreadRunsAndThrowingBodyEndsQuietly) {
  std::promise<int> result;
  auto future = result.get_future();
  ASSERT_TRUE(StartThread([&result] { result.set_value(7); }));
  ASSERT_EQ(future.wait_for(std::chrono::seconds(10)),
            std::future_status::ready);
  EXPECT_EQ(future.get(), 7);

  ThreadHandle thrower;
  ASSERT_TRUE(StartThread([] { throw std::runtime_error("x"); }, &thrower));
  EXPECT_TRUE(JoinThread(thrower, 10000));
}

TEST(Threads, HandleCanBeDroppedWhileThreadRuns) {
  std::promise<void> done;
  auto future = done.get_future();
  {
    ThreadHandle worker;
    ASSERT_TRUE(StartThread(
        [&done] {
          Delay(50);
          done.set_value();
        },
        &worker));
  }
  EXPECT_EQ(future.wait_for(std::chrono::seconds(10)),
            std::future_status::ready);
}

TEST(Delay, UsesTheEventLoopHookOnlyOnItsThread) {
  std::atomic<long long> asked{-1};
  SetGuiDelayHook([&asked](long long ms) { asked = ms; });
  EXPECT_TRUE(Delay(150, 1));
  EXPECT_EQ(asked.load(), 150000);
  EXPECT_TRUE(Delay(2, 2));
  EXPECT_EQ(asked.load(), 120000);
  EXPECT_TRUE(Delay(800));
  EXPECT_EQ(asked.load(), 800);
  asked = -1;
  EXPECT_TRUE(Delay(0));
  EXPECT_TRUE(Delay(-5, 1));
  EXPECT_EQ(asked.load(), -1);  // nothing to wait for

  std::thread other([] { Delay(10); });  // sleeps, does not use the hook
  other.join();
  EXPECT_EQ(asked.load(), -1);
  SetGuiDelayHook(nullptr);

  auto start = Clock::now();
  EXPECT_TRUE(Delay(30));
  EXPECT_GE(MsSince(start), 25);
  EXPECT_EQ(asked.load(), -1);
}

}  // namespace
}  // namespace dw
