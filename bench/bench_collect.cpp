// Speed and memory of the collection engine: one rule on a 1 MiB page from
// loopback, the newness test against many seen ids, the first-round
// duplicate check against many stored posts, and a long run of rounds.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "../tests/collect/counting_server.h"
#include "bench_collect_support.h"
#include "collect/collect_rule.h"
#include "collect/program_state.h"
#include "collect/seen_ids.h"
#include "net/http_request.h"
#include "runtime/database.h"
#include "store/access.h"
#include "store/statements.h"

namespace dw::bench {
namespace {

const HttpGlobalInit kHttpInit;

// One post of a list page as a forum shows it, about `size` bytes in GBK.
std::string PostBlock(long id, std::size_t size) {
  std::string block =
      "\r\n\t<li class=\"thread\"><a href=\"/post/" + std::to_string(id) +
      "\">\xC2\xCC\xB2\xE8 deal " + std::to_string(id) +
      "</a>\t<span class=\"by\">user&lt;1&gt;</span><span class=\"n\">";
  while (block.size() + 20 < size) block += "\xD3\xC5\xBB\xDD ";  // 优惠
  return block + "</span></li>";
}

// A GBK list page of `posts` posts, newest (highest id) on top, padded to
// about `bytes`.
std::string ListPage(long newest, int posts, std::size_t bytes) {
  std::string page = "<html><body><div>head</div><ul class=\"posts\">";
  const std::size_t each = bytes / static_cast<std::size_t>(posts);
  for (int i = 0; i < posts; ++i) page += PostBlock(newest - i, each);
  return page + "\r\n</ul><div>foot</div></body></html>";
}

std::string Utf8(const std::string& gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  std::string out(gbk.size() * 2, '\0');
  char* in = const_cast<char*>(gbk.data());
  std::size_t in_left = gbk.size(), out_left = out.size();
  char* to = out.data();
  iconv(cd, &in, &in_left, &to, &out_left);
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

// One rule whose page a loopback server gives, over a database of its own,
// with the state and view a worker uses.
struct RuleBench {
  RuleBench(const std::string& page, bool gbk) : server(page) {
    OpenDatabase(state.database, folder.File("qel6.sdb"));
    SetRule(state, server.Url(), gbk);
  }
  void Collect() { CollectRule(ctx, kRule); }

  testing::CountingServer server;
  TempFolder folder;
  ProgramState state;
  KeepingView view;
  WorkerContext ctx{state, view, 0};
};

// Time per call once the page's posts are known; every call fetches,
// converts, cuts, tidies and searches the whole page.
void BM_CollectRuleOneMiBPage(benchmark::State& st) {
  const bool gbk = st.range(0) == 1;
  const std::string gbk_page = ListPage(1000000, 400, 1 << 20);
  const std::string page = gbk ? gbk_page : Utf8(gbk_page);
  RuleBench bench(page, gbk);
  bench.Collect();  // the 400 posts become seen
  const long peak_before = PeakResidentBytes();
  for (auto _ : st) bench.Collect();
  st.SetBytesProcessed(st.iterations() * static_cast<long>(page.size()));
  st.counters["posts"] = static_cast<double>(bench.view.posts.size());
  st.counters["page_KiB"] = static_cast<double>(page.size()) / 1024;
  st.counters["peak_rss_MiB"] =
      static_cast<double>(PeakResidentBytes()) / (1 << 20);
  st.counters["peak_growth_MiB"] =
      static_cast<double>(PeakResidentBytes() - peak_before) / (1 << 20);
}
BENCHMARK(BM_CollectRuleOneMiBPage)
    ->ArgName("gbk")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);

void BM_SeenIdsNewness(benchmark::State& st) {
  const long count = st.range(0);
  SeenIds seen;
  for (long i = 0; i < count; ++i) seen.Add(std::to_string(10000000 + 7 * i));
  std::vector<std::string> probes;
  for (long i = 0; i < 1024; ++i) {
    const long k = (i * 7919) % count;
    probes.push_back(std::to_string(10000000 + 7 * k + (i % 2)));  // half new
  }
  std::size_t i = 0;
  for (auto _ : st) {
    benchmark::DoNotOptimize(seen.Contains(probes[i++ & 1023]));
  }
  st.counters["rss_MiB"] = static_cast<double>(ResidentBytes()) / (1 << 20);
}
BENCHMARK(BM_SeenIdsNewness)->RangeMultiplier(10)->Range(1000, 1000000);

void BM_FirstRoundDuplicateCheck(benchmark::State& st) {
  const long rows = st.range(0);
  TempFolder folder;
  Database db;
  OpenDatabase(db, folder.File("qel6.sdb"));
  DbExecute(db, "begin");
  for (long i = 0; i < rows; ++i) {
    DbExecute(db,
              "insert into info(planname,planid,title,url,addtime,zt) "
              "values('Bench',7,'t',?,'1/1 12:00',0)",
              {SqlValue("http://deals.example/post/" + std::to_string(i))});
  }
  DbExecute(db, "commit");
  RecordSet rs;
  long i = 0;
  for (auto _ : st) {
    // Every other link is stored.
    const std::string link = "http://deals.example/post/" +
                             std::to_string((i * 7919) % rows + (i % 2) * rows);
    benchmark::DoNotOptimize(CountStoredPosts(rs, db, link));
    ++i;
  }
  CloseQuery(rs);
}
BENCHMARK(BM_FirstRoundDuplicateCheck)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

// 10,000 rounds of a page of 20 posts with one fresh post each round: all
// that should grow is what is kept (list rows, seen ids, stored rows).
void BM_LongRun(benchmark::State& st) {
  constexpr int kRounds = 10000;
  constexpr int kPagePosts = 20;
  RuleBench bench(ListPage(kPagePosts, kPagePosts, 8 * 1024), true);
  const KeepingView& view = bench.view;
  long rss_start = 0;
  long heap_start = 0;
  std::size_t posts_start = 0;
  for (auto _ : st) {
    for (int round = 1; round <= kRounds; ++round) {
      bench.server.SetBody(ListPage(kPagePosts + round, kPagePosts, 8 * 1024));
      bench.view.ClearReminders();
      bench.Collect();
      if (round == kRounds / 10) {
        rss_start = ResidentBytes();
        heap_start = HeapInUseBytes();
        posts_start = view.posts.size();
      }
    }
  }
  const long rss_end = ResidentBytes();
  const long heap_end = HeapInUseBytes();
  const double kept = static_cast<double>(view.posts.size() - posts_start);
  st.counters["rounds"] = kRounds;
  st.counters["kept_posts"] = static_cast<double>(view.posts.size());
  st.counters["seen_ids"] = static_cast<double>(bench.state.seen_ids.size());
  st.counters["rss_MiB"] = static_cast<double>(rss_end) / (1 << 20);
  // Kept per post: its list row, its seen id, and the database's share.
  st.counters["rss_bytes_per_kept_post"] =
      kept > 0 ? static_cast<double>(rss_end - rss_start) / kept : 0;
  st.counters["heap_bytes_per_kept_post"] =
      kept > 0 ? static_cast<double>(heap_end - heap_start) / kept : 0;
}
BENCHMARK(BM_LongRun)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace dw::bench

BENCHMARK_MAIN();
