#include "net/response_headers.h"

#include <gtest/gtest.h>

#include <optional>

namespace dw {
namespace {

// 2026-12-08 12:00:00 UTC.
constexpr std::time_t kNow = 1796731200;

TEST(RetryAfterSeconds, SecondsOrADateCountedFromNow) {
  const struct {
    const char* headers;
    std::optional<long long> seconds;
  } cases[] = {
      {"HTTP/1.1 429 Too Many\r\nretry-after:  120 \r\n", 120},
      {"HTTP/1.1 503 Busy\r\nRetry-After: Tue, 08 Dec 2026 12:10:00 GMT\r\n",
       600},
      {"HTTP/1.1 503 Busy\r\nRetry-After: Mon, 07 Dec 2026 12:00:00 GMT\r\n",
       0},
      {"HTTP/1.1 503 Busy\r\nRetry-After: soon\r\n", std::nullopt},
      {"HTTP/1.1 503 Busy\r\nRetry-After: 99999999999999999999\r\n",
       std::nullopt},
      {"HTTP/1.1 503 Busy\r\nX-Retry-After: 5\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RetryAfterSeconds(c.headers, kNow), c.seconds) << c.headers;
  }
}

}  // namespace
}  // namespace dw
