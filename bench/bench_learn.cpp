// Time to propose rules for a 1 MiB forum list page from two example
// titles (the goal: well under a second), and for a feed of 300 items with
// no example. Nothing is fetched: the page bytes are given.
#include <benchmark/benchmark.h>

#include <string>

#include "learn/learn_rule.h"

namespace dw::bench {
namespace {

constexpr std::size_t kPageBytes = std::size_t{1} << 20;
constexpr int kPosts = 150;

// A UTF-8 forum page: a heavy head (scripts, menus), a table of posts whose
// rows carry a long excerpt, a heavy foot.
std::string ForumPage() {
  std::string page =
      "<html><head><meta charset=\"utf-8\"><title>Deals</title></head><body>";
  std::string filler;
  for (int i = 0; filler.size() < kPageBytes / 4; ++i) {
    filler += "<div class=\"nav\"><a href=\"/cat/" + std::to_string(i) +
              "\">Category " + std::to_string(i) + "</a></div>\n";
  }
  page += filler + "<table class=\"threads\">\n";
  const std::size_t row_bytes = kPageBytes / 2 / kPosts;
  for (int id = 1; id <= kPosts; ++id) {
    const std::size_t start = page.size();
    page += "<tr class=\"row\"><td class=\"title\"><a href=\"/thread-" +
            std::to_string(900000 + id) + "-1-1.html\" class=\"xst\">" +
            "\xE4\xBC\x98\xE6\x83\xA0 deal number " + std::to_string(id) +
            "</a></td><td class=\"excerpt\">";
    while (page.size() - start + 40 < row_bytes) page += "lorem ipsum ";
    page += "</td></tr>\n";
  }
  return page + "</table>\n" + filler + "</body></html>";
}

std::string Feed() {
  std::string feed =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\">"
      "<channel><title>Deals</title><link>https://deals.example/</link>";
  for (int id = 1; id <= 300; ++id) {
    feed += "<item><title>Deal " + std::to_string(id) +
            "</title><link>https://deals.example/p/" + std::to_string(id) +
            "/</link><description>&lt;p&gt;cheap&lt;/p&gt;</description>"
            "</item>\n";
  }
  return feed + "</channel></rss>";
}

void BM_LearnForumPage(benchmark::State& state) {
  LearnRequest request;
  request.url = "https://bbs.example/forum-2-1.html";
  request.page_bytes = ForumPage();
  request.examples = {"\xD3\xC5\xBB\xDD deal number 3",
                      "\xD3\xC5\xBB\xDD deal number 4"};
  for (auto _ : state) {
    const LearnResult result = LearnRule(request);
    if (result.proposals.empty()) state.SkipWithError("nothing proposed");
    benchmark::DoNotOptimize(result);
  }
  state.counters["page_bytes"] =
      static_cast<double>(request.page_bytes->size());
}
BENCHMARK(BM_LearnForumPage)->Unit(benchmark::kMillisecond);

void BM_LearnFeed(benchmark::State& state) {
  LearnRequest request;
  request.url = "https://deals.example/feed";
  request.page_bytes = Feed();
  for (auto _ : state) {
    const LearnResult result = LearnRule(request);
    if (result.proposals.empty()) state.SkipWithError("nothing proposed");
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_LearnFeed)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw::bench

BENCHMARK_MAIN();
