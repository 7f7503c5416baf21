// Peak memory of one rule on a 50 MiB page. The page is served by one child
// process and collected in another, so the peak resident size each case
// reports is that of the collection alone, from a fresh process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <utility>

#include "../tests/collect/counting_server.h"
#include "bench_collect_support.h"
#include "collect/collect_rule.h"
#include "collect/program_state.h"
#include "net/http_request.h"
#include "runtime/database.h"

namespace dw::bench {
namespace {

const HttpGlobalInit kHttpInit;

constexpr std::size_t kPageBytes = std::size_t{50} << 20;
constexpr std::size_t kPostBytes = 8 << 10;

// A list page of about `bytes` with posts all the way down, in GBK or UTF-8.
std::string LargePage(std::size_t bytes, bool gbk) {
  const std::string word =
      gbk ? "\xD3\xC5\xBB\xDD " : "\xE4\xBC\x98\xE6\x83\xA0 ";
  std::string page = "<html><body><div>head</div><ul class=\"posts\">";
  page.reserve(bytes + kPostBytes);
  for (long id = 1; page.size() + kPostBytes < bytes; ++id) {
    const std::size_t start = page.size();
    page += "\r\n\t<li class=\"thread\"><a href=\"/post/" + std::to_string(id) +
            "\">" + word + "deal " + std::to_string(id) +
            "</a>\t<span class=\"by\">user&lt;1&gt;</span><span>";
    while (page.size() - start + 20 < kPostBytes) page += word;
    page += "</span></li>";
  }
  return page + "\r\n</ul><div>foot</div></body></html>";
}

// Serves the page from a child process for as long as this lives.
class PageServer {
 public:
  explicit PageServer(bool gbk) {
    int url_pipe[2];
    if (::pipe(url_pipe) != 0 || ::pipe(hold_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(url_pipe[0]);
      ::close(hold_[1]);
      testing::CountingServer server(LargePage(kPageBytes, gbk));
      const std::string url = server.Url();
      if (::write(url_pipe[1], url.data(), url.size()) < 0) ::_exit(1);
      ::close(url_pipe[1]);
      char c;
      while (::read(hold_[0], &c, 1) > 0) {
      }
      ::_exit(0);  // the server's thread ends with the process
    }
    ::close(url_pipe[1]);
    ::close(hold_[0]);
    char buffer[256];
    ssize_t n;
    while ((n = ::read(url_pipe[0], buffer, sizeof buffer)) > 0) {
      url_.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(url_pipe[0]);
  }
  ~PageServer() {
    ::close(hold_[1]);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  const std::string& url() const { return url_; }

 private:
  int hold_[2] = {-1, -1};
  pid_t pid_ = -1;
  std::string url_;
};

// Collects the rule once in a child process; gives its peak resident size
// and the number of posts it handled, or -1s when it failed.
std::pair<long, long> CollectInChild(const std::string& url, bool gbk) {
  int result_pipe[2];
  if (::pipe(result_pipe) != 0) return {-1, -1};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(result_pipe[0]);
    long posts = -1;
    {
      TempFolder folder;
      ProgramState state;
      OpenDatabase(state.database, folder.File("qel6.sdb"));
      SetRule(state, url, gbk);
      KeepingView view;
      WorkerContext ctx{state, view, 0};
      CollectRule(ctx, kRule);
      posts = static_cast<long>(view.posts.size());
    }
    if (::write(result_pipe[1], &posts, sizeof posts) < 0) ::_exit(1);
    ::_exit(0);
  }
  ::close(result_pipe[1]);
  long posts = -1;
  if (::read(result_pipe[0], &posts, sizeof posts) != sizeof posts) posts = -1;
  ::close(result_pipe[0]);
  rusage usage{};
  int status = 0;
  ::wait4(pid, &status, 0, &usage);
  return {usage.ru_maxrss * 1024L, posts};
}

void BM_CollectRuleFiftyMiBPage(benchmark::State& st) {
  const bool gbk = st.range(0) == 1;
  PageServer server(gbk);
  long peak = 0;
  long posts = 0;
  for (auto _ : st) std::tie(peak, posts) = CollectInChild(server.url(), gbk);
  const double page_mib = static_cast<double>(kPageBytes) / (1 << 20);
  st.counters["page_MiB"] = page_mib;
  st.counters["posts"] = static_cast<double>(posts);
  st.counters["peak_rss_MiB"] = static_cast<double>(peak) / (1 << 20);
  st.counters["bound_MiB"] = 3 * page_mib + 60e6 / (1 << 20);
}
BENCHMARK(BM_CollectRuleFiftyMiBPage)
    ->ArgName("gbk")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw::bench

BENCHMARK_MAIN();
