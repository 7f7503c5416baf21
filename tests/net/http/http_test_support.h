// What the HTTP tests share: the library set up once, one request
// with every output captured, and a stop request raised from another thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/test_site.h"
#include "net/http_request.h"

namespace dw {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// Https requests trust the site's own certificate as authority.
class HttpSiteTest : public TestSiteTest {
 protected:
  static void SetUpTestSuite() {
    static HttpGlobalInit init;
    setenv("SSL_CERT_FILE", site().CaFile().c_str(), 1);
  }
};

struct Reply {
  std::string body;
  std::string headers = "stale";
  std::string newCookies = "stale";
  int status = -1;
  Millis took{0};
};

inline Reply Fetch(HttpRequestParams params) {
  Reply reply;
  params.responseHeaders = &reply.headers;
  params.newCookies = &reply.newCookies;
  params.status = &reply.status;
  const auto start = Clock::now();
  reply.body = HttpRequest(params);
  reply.took = std::chrono::duration_cast<Millis>(Clock::now() - start);
  return reply;
}

inline Reply Fetch(const std::string& url) {
  HttpRequestParams params;
  params.url = url;
  return Fetch(params);
}

// The lines of a request head as the echo server received it.
inline std::vector<std::string> HeadLines(const std::string& echoed) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (;;) {
    size_t end = echoed.find("\r\n", at);
    if (end == std::string::npos || end == at) break;
    lines.push_back(echoed.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Raises a cancellation flag after a delay, from its own thread.
class DelayedCancel {
 public:
  explicit DelayedCancel(Millis after)
      : thread_([this, after] {
          std::this_thread::sleep_for(after);
          fired_at_ = Clock::now();
          flag_ = true;
        }) {}
  ~DelayedCancel() { thread_.join(); }

  std::function<bool()> Predicate() {
    return [this] { return flag_.load(); };
  }
  bool Fired() const { return flag_.load(); }
  // Time from the flag going up until now.
  Millis SinceFired() const {
    return std::chrono::duration_cast<Millis>(Clock::now() - fired_at_);
  }

 private:
  std::atomic<bool> flag_{false};
  Clock::time_point fired_at_;
  std::thread thread_;
};

}  // namespace dw
