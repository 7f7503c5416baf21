// Time-outs and abandoning a request, against servers that misbehave on
// purpose. Bounds are generous: they tell a bounded wait from an unbounded
// one, not how fast the machine is.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

#include "net/http/http_test_support.h"
#include "net/http_request.h"
#include "runtime/threads.h"

namespace dw {
namespace {

// A stop must be honoured within this long, whatever the request is doing.
constexpr Millis kStopBound(100);

class HttpTimeoutTest : public HttpSiteTest {};

TEST(HttpPhaseTimeouts, MapsTheGivenSeconds) {
  struct Case {
    int seconds;
    long long connectMs, stallMs;
  } cases[] = {{0, 15000, 15000},  {-5, 15000, 15000},
               {1, 1000, 1000},    {30, 30000, 30000},
               {-1, 60000, 30000}, {86400, 86400000, 86400000}};
  for (const Case& c : cases) {
    HttpTimeouts t = HttpPhaseTimeouts(c.seconds);
    EXPECT_EQ(t.connectMs, c.connectMs) << c.seconds;
    EXPECT_EQ(t.stallMs, c.stallMs) << c.seconds;
  }
}

TEST_F(HttpTimeoutTest, EveryPhaseEndsAfterTheGivenTime) {
  struct Case {
    const char* phase;
    std::string url;
    int seconds;
  } cases[] = {
      {"connecting", site().HangUrl("/"), 1},
      {"waiting for the answer", site().FaultUrl("/silent"), 1},
      {"waiting for the answer", site().FaultUrl("/silent"), 2},
      {"mid-body", site().FaultUrl("/stall"), 1},
      {"mid-body", site().FaultUrl("/stall"), 2},
      {"TLS handshake",
       "https://127.0.0.1:" + std::to_string(site().FaultPort()) + "/", 1},
  };
  for (const Case& c : cases) {
    HttpRequestParams params;
    params.url = c.url;
    params.timeoutSeconds = c.seconds;
    Reply reply = Fetch(params);
    EXPECT_EQ(reply.status, 0) << c.phase;
    EXPECT_EQ(reply.body, "") << c.phase;
    EXPECT_EQ(reply.headers, "") << c.phase;
    EXPECT_GE(reply.took, Millis(c.seconds * 1000 - 50)) << c.phase;
    EXPECT_LT(reply.took, Millis(c.seconds * 1000 + 3000)) << c.phase;
  }
}

TEST_F(HttpTimeoutTest, SlowButSteadyBodyIsNotCutOff) {
  // One byte a second for three seconds: longer than the time-out in all,
  // but never quiet for that long.
  HttpRequestParams params;
  params.url = site().FaultUrl("/drip");
  params.timeoutSeconds = 2;
  Reply reply = Fetch(params);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "drip");
  EXPECT_GE(reply.took, Millis(2900));
}

// 0, 30 and -1 must not give up early: the request is still waiting on a
// silent server when it is abandoned after a while.
TEST_F(HttpTimeoutTest, DefaultLongAndOwnTimeoutsOutlastAShortWait) {
  for (int seconds : {0, 30, -1}) {
    DelayedCancel cancel(Millis(1500));
    HttpRequestParams params;
    params.url = site().FaultUrl("/silent");
    params.timeoutSeconds = seconds;
    params.cancelRequested = cancel.Predicate();
    Reply reply = Fetch(params);
    EXPECT_TRUE(cancel.Fired()) << seconds;
    EXPECT_LT(cancel.SinceFired(), kStopBound) << seconds;
    EXPECT_EQ(reply.status, 0) << seconds;
  }
}

TEST_F(HttpTimeoutTest, StopIsHonouredPromptlyInEveryPhase) {
  struct Case {
    const char* phase;
    std::string url;
  } cases[] = {
      {"connecting", site().HangUrl("/")},
      {"waiting for the first byte", site().FaultUrl("/silent")},
      {"mid-body", site().FaultUrl("/stall")},
      {"between bytes of a slow body", site().FaultUrl("/drip")},
      {"through a proxy", "http://site.invalid/silent"},
  };
  for (const Case& c : cases) {
    DelayedCancel cancel(Millis(400));
    HttpRequestParams params;
    params.url = c.url;
    if (c.url.find(".invalid") != std::string::npos) {
      params.proxy = "127.0.0.1:" + std::to_string(site().FaultPort());
    }
    params.timeoutSeconds = 10;
    params.cancelRequested = cancel.Predicate();
    Reply reply = Fetch(params);
    EXPECT_TRUE(cancel.Fired()) << c.phase << " ended on its own";
    EXPECT_LT(cancel.SinceFired(), kStopBound) << c.phase;
    EXPECT_EQ(reply.status, 0) << c.phase;
    EXPECT_EQ(reply.body, "") << c.phase;
  }
}

TEST_F(HttpTimeoutTest, StopOfTheCallingThreadAbandonsTheRequest) {
  Reply reply;
  ThreadHandle worker;
  const std::string url = site().FaultUrl("/silent");
  ASSERT_TRUE(StartThread([&reply, url] { reply = Fetch(url); }, &worker));
  std::this_thread::sleep_for(Millis(400));
  ASSERT_FALSE(ThreadFinished(worker));
  const auto stopped_at = Clock::now();
  ASSERT_TRUE(EndThread(worker));
  ASSERT_TRUE(JoinThread(worker, 5000));
  EXPECT_LT(Clock::now() - stopped_at, kStopBound);
  EXPECT_EQ(reply.status, 0);
}

TEST_F(HttpTimeoutTest, StopRaisedBeforehandEndsAtOnce) {
  HttpRequestParams params;
  params.url = site().FaultUrl("/silent");
  params.cancelRequested = [] { return true; };
  Reply reply = Fetch(params);
  EXPECT_EQ(reply.status, 0);
  EXPECT_LT(reply.took, kStopBound);
}

// Name lookup cannot be made slow on the machine itself, so a probe program
// runs the request in private namespaces whose name server never answers.
TEST(HttpResolveTest, StopAndTimeOutHoldDuringNameLookup) {
  const std::string probe = DW_BINARY_DIR "/bin/http_resolve_probe";
  std::string command = probe + " 2>&1";
  FILE* out = popen(command.c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::string text;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, out)) text += buffer;
  int status = pclose(out);
  ASSERT_TRUE(WIFEXITED(status)) << text;
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << text;
  ASSERT_EQ(WEXITSTATUS(status), 0) << text;

  long stop_ms = -1, timeout_ms = -1;
  ASSERT_EQ(std::sscanf(text.c_str(), "stop_ms=%ld timeout_ms=%ld", &stop_ms,
                        &timeout_ms),
            2)
      << text;
  EXPECT_LT(stop_ms, kStopBound.count()) << text;
  EXPECT_GE(timeout_ms, 950) << text;
  EXPECT_LT(timeout_ms, 4000) << text;
}

}  // namespace
}  // namespace dw
