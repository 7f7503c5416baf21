// The page chain step by step and whole, on a generated forum list page of
// 1 MiB in UTF-8 holding 2,464 posts: conversion, cut, tidy, the clean-up
// of the rules below 6 and the post pattern, each on the output of the one
// before. The page is exactly 1 MiB, so the time of one call in ms is the
// time per MiB of the page as received.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "collect/rule_chain.h"
#include "net/cookies.h"
#include "runtime/native_pattern.h"
#include "text/page_text.h"

namespace dw {
namespace {

constexpr size_t kPageBytes = 1 << 20;
constexpr int kPosts = 2464;
constexpr int kCleanUpRule = 1;

const char kLeft[] = "<table summary=\"forum_2\" id=\"threadlisttableid\">";
const char kRight[] = "</table><!-- list end -->";
const char kPostPattern[] =
    "<a href=thread-(\\d+)-1-1\\.html class=s xst>(.*?)</th>";

// Titles in UTF-8 with the entities a forum writes into them.
const char* const kTitles[] = {
    "\xE4\xBA\xAC\xE4\xB8\x9C \xE7\x94\xB5\xE5\x8A\xA8\xE7\x89\x99\xE5\x88"
    "\xB7 \xE9\x99\x90\xE6\x97\xB6 99\xE5\x85\x83",  // 京东 电动牙刷 限时 99元
    "\xE6\xB7\x98\xE5\xAE\x9D &quot;\xE6\x96\xB0\xE4\xBA\xBA&quot; "
    "\xE7\xBA\xB8\xE5\xB7\xBE &lt;3\xE5\x8C\x85&gt;",  // 淘宝 "新人" 纸巾 <3包>
    "\xE6\x8B\xBC\xE5\xA4\x9A\xE5\xA4\x9A \xE6\xB4\x97\xE8\xA1\xA3\xE6\xB6"
    "\xB2 5kg 100&#37; \xE6\x9C\x89\xE8\xB4\xA7",  // 拼多多 洗衣液 5kg 100%
                                                   // 有货
    "Steam  \xE5\x86\xAC\xE5\xAD\xA3\xE7\x89\xB9\xE5\x8D\x96 'AAA' "
    "\xE5\x8F\xB2\xE4\xBD\x8E",  // Steam  冬季特卖 'AAA' 史低
};

// One list row: the thread id, an image, the title link, the page-2 link
// in a span and the author cell.
std::string PostRow(int id) {
  const std::string tid = std::to_string(id);
  std::string row = "<tbody id=\"normalthread_" + tid + "\">\r\n<tr>\r\n";
  row +=
      "\t<td class=\"icn\"><img src=\"static/image/common/folder_new.gif\""
      " /></td>\r\n";
  row += "\t<th class=\"new\">\r\n\t\t<a href=\"thread-" + tid +
         "-1-1.html\" class=\"s xst\">" + kTitles[id % 4] + "</a>\r\n";
  row += "\t\t<span class=\"tps\">&nbsp;...<a href=\"thread-" + tid +
         "-2-1.html\">2</a></span>\r\n\t</th>\r\n";
  row += "\t<td class=\"by\"><cite><a href=\"space-uid-" +
         std::to_string(id % 9973) + ".html\">\xE4\xBC\x9A\xE5\x91\x98" +
         std::to_string(id % 997) + "</a></cite></td>\r\n</tr>\r\n</tbody>\r\n";
  return row;
}

// Scripts and navigation around the list, up to `bytes`.
std::string Filler(size_t bytes) {
  std::string s;
  for (int n = 0; s.size() < bytes; ++n) {
    s += "<script type=\"text/javascript\">var nav_" + std::to_string(n) +
         " = {'url':'forum.php?mod=guide','title':'\xE7\x83\xAD\xE9\x97\xA8"
         "'};</script>\r\n<div class=\"nav\"><a href=\"#\">\xE9\xA6\x96\xE9"
         "\xA1\xB5</a></div>\r\n";
  }
  s.resize(bytes, ' ');
  return s;
}

struct Pages {
  std::string utf8;   // as received
  std::string gbk;    // converted
  std::string cut;    // between the markers
  std::string tidy;   // tidied
  std::string clean;  // after the site clean-up
};

const Pages& GetPages() {
  static const Pages pages = [] {
    Pages p;
    std::string rows;
    for (int i = 0; i < kPosts; ++i) rows += PostRow(4000000 + i);
    const std::string list =
        std::string(kLeft) + "\r\n" + rows + kRight + "\r\n";
    const size_t head = (kPageBytes - list.size()) / 8;
    p.utf8 = Filler(head) + list;
    p.utf8 += Filler(kPageBytes - p.utf8.size());
    p.gbk = Utf8ToGbk(p.utf8);
    p.cut = TextBetween(p.gbk, kLeft, kRight);
    p.tidy = TidyHtmlText(p.cut);
    p.clean = SiteCleanUp(kCleanUpRule, p.tidy);
    return p;
  }();
  return pages;
}

void BM_Conversion(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(p.utf8));
}
BENCHMARK(BM_Conversion)->Unit(benchmark::kMillisecond);

void BM_Cut(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state)
    benchmark::DoNotOptimize(TextBetween(p.gbk, kLeft, kRight));
}
BENCHMARK(BM_Cut)->Unit(benchmark::kMillisecond);

void BM_Tidy(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state) benchmark::DoNotOptimize(TidyHtmlText(p.cut));
}
BENCHMARK(BM_Tidy)->Unit(benchmark::kMillisecond);

void BM_SiteCleanUp(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state)
    benchmark::DoNotOptimize(SiteCleanUp(kCleanUpRule, p.tidy));
}
BENCHMARK(BM_SiteCleanUp)->Unit(benchmark::kMillisecond);

// Compiling the rule's pattern and finding every post, as each call of the
// collection does.
std::vector<Match> FindPosts(const std::string& page) {
  Pattern pattern = PatternNew();
  PatternCreate(pattern, kPostPattern, /*case_sensitive=*/false);
  return PatternSearchAll(pattern, page);
}

void BM_PatternSearch(benchmark::State& state) {
  const Pages& p = GetPages();
  size_t found = 0;
  for (auto _ : state) {
    std::vector<Match> matches = FindPosts(p.clean);
    found = matches.size();
    benchmark::DoNotOptimize(matches.data());
  }
  state.counters["posts"] = static_cast<double>(found);
}
BENCHMARK(BM_PatternSearch)->Unit(benchmark::kMillisecond);

void BM_WholeChain(benchmark::State& state) {
  const Pages& p = GetPages();
  size_t found = 0;
  for (auto _ : state) {
    std::string page =
        TidyHtmlText(TextBetween(Utf8ToGbk(p.utf8), kLeft, kRight));
    page = SiteCleanUp(kCleanUpRule, std::move(page));
    std::vector<Match> matches = FindPosts(page);
    for (const Match& m : matches) {
      benchmark::DoNotOptimize(MatchSubText(m, page, 1));
      benchmark::DoNotOptimize(MatchSubText(m, page, 2));
    }
    found = matches.size();
  }
  state.counters["posts"] = static_cast<double>(found);
}
BENCHMARK(BM_WholeChain)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw

BENCHMARK_MAIN();
