// The page chain step by step and whole, on two generated forum list pages
// of 1 MiB in UTF-8: conversion, cut, tidy, the clean-up of the rules below
// 6 and the post pattern, each on the output of the one before. Page 0
// holds 2,464 posts in the middle of scripts and navigation; page 1 holds
// 2,000 posts with a summary each, its markers near the top and the bottom
// and 40% of its bytes Chinese. Both pages are exactly 1 MiB, so the time
// of one call in ms is the time per MiB of the page as received.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <vector>

#include "collect/rule_chain.h"
#include "net/cookies.h"
#include "runtime/native_pattern.h"
#include "text/page_text.h"
#include "text/site_cleanup.h"

namespace dw {
namespace {

constexpr size_t kPageBytes = 1 << 20;
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

// The Chinese summary a list with previews shows under each title: `chars`
// characters of three UTF-8 bytes, punctuation among them.
std::string Summary(int id, size_t chars) {
  static const char* const kWords[] = {
      "\xE9\x99\x90\xE6\x97\xB6",                          // 限时
      "\xE4\xBC\x98\xE6\x83\xA0\xE5\x88\xB8",              // 优惠券
      "\xE5\x8C\x85\xE9\x82\xAE",                          // 包邮
      "\xE5\x8E\x86\xE5\x8F\xB2\xE4\xBD\x8E\xE4\xBB\xB7",  // 历史低价
      "\xEF\xBC\x8C",                                      // ，
  };
  std::string s;
  for (int k = id; s.size() < chars * 3; ++k) s += kWords[k % 5];
  s.resize(chars * 3);
  return s;
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

// The list rows of page 1: a compact title row and a summary row under
// it, together bytes / posts long.
std::string SummaryRows(int posts, size_t bytes) {
  std::string rows;
  for (int i = 0; i < posts; ++i) {
    const std::string tid = std::to_string(4000000 + i);
    std::string row = "<tbody id=\"normalthread_" + tid +
                      "\"><tr><th><img src=\"n.gif\" /><a href=\"thread-" +
                      tid + "-1-1.html\" class=\"s xst\">" + kTitles[i % 4] +
                      "</a><span class=\"tps\">&nbsp;...<a href=\"thread-" +
                      tid + "-2-1.html\">2</a></span></th><td>" +
                      "\xE4\xBC\x9A\xE5\x91\x98" + std::to_string(i % 997) +
                      "</td></tr>\r\n<tr><td class=\"summary\">";
    const std::string tail = "</td></tr></tbody>\r\n";
    const size_t left =
        bytes * (i + 1) / posts - rows.size() - row.size() - tail.size();
    // Four fifths of it Chinese, the rest a plain link to the thread.
    const size_t chars = left * 4 / 15;
    std::string more = "<a href=\"thread-" + tid + "-1-1.html\">more</a>";
    more.resize(left - chars * 3, ' ');
    rows += row + Summary(i, chars) + more + tail;
  }
  return rows;
}

struct Pages {
  std::string utf8;   // as received
  std::string gbk;    // converted
  std::string cut;    // between the markers
  std::string tidy;   // tidied
  std::string clean;  // after the site clean-up
};

Pages MakePages(int shape) {
  Pages p;
  std::string rows;
  if (shape == 0) {
    for (int i = 0; i < 2464; ++i) rows += PostRow(4000000 + i);
  } else {
    rows = SummaryRows(2000, kPageBytes - 2048 - 100);
  }
  const std::string list = std::string(kLeft) + "\r\n" + rows + kRight + "\r\n";
  const size_t head = shape == 0 ? (kPageBytes - list.size()) / 8 : 1024;
  p.utf8 = Filler(head) + list;
  p.utf8 += Filler(kPageBytes - p.utf8.size());
  p.gbk = Utf8ToGbk(p.utf8);
  p.cut = TextBetween(p.gbk, kLeft, kRight);
  p.tidy = TidyHtmlText(p.cut);
  p.clean = SiteCleanUp(kCleanUpRule, p.tidy);
  return p;
}

const Pages& GetPages(int shape) {
  static const Pages pages[] = {MakePages(0), MakePages(1)};
  return pages[shape];
}

// The share of the page's bytes in characters beyond ASCII.
double WideShare(const std::string& utf8) {
  size_t wide = 0;
  for (char c : utf8) wide += static_cast<unsigned char>(c) >= 0x80;
  return static_cast<double>(wide) / static_cast<double>(utf8.size());
}

void Describe(benchmark::State& state, const Pages& p) {
  state.counters["KiB"] = static_cast<double>(p.utf8.size()) / 1024;
  state.counters["wide"] = WideShare(p.utf8);
}

void BM_Conversion(benchmark::State& state) {
  const Pages& p = GetPages(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(p.utf8));
  Describe(state, p);
}
BENCHMARK(BM_Conversion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Cut(benchmark::State& state) {
  const Pages& p = GetPages(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(TextBetween(p.gbk, kLeft, kRight));
}
BENCHMARK(BM_Cut)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Tidy(benchmark::State& state) {
  const Pages& p = GetPages(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(TidyHtmlText(p.cut));
}
BENCHMARK(BM_Tidy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SiteCleanUp(benchmark::State& state) {
  const Pages& p = GetPages(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(SiteCleanUp(kCleanUpRule, p.tidy));
}
BENCHMARK(BM_SiteCleanUp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Compiling the rule's pattern and finding every post, as each call of the
// collection does.
std::vector<Match> FindPosts(const std::string& page) {
  Pattern pattern = PatternNew();
  PatternCreate(pattern, kPostPattern, /*case_sensitive=*/false);
  return PatternSearchAll(pattern, page);
}

void BM_PatternSearch(benchmark::State& state) {
  const Pages& p = GetPages(static_cast<int>(state.range(0)));
  size_t found = 0;
  for (auto _ : state) {
    std::vector<Match> matches = FindPosts(p.clean);
    found = matches.size();
    benchmark::DoNotOptimize(matches.data());
  }
  state.counters["posts"] = static_cast<double>(found);
}
BENCHMARK(BM_PatternSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The chain as a rule runs it on a page already fetched, then each post's
// id and title taken out.
void BM_WholeChain(benchmark::State& state) {
  const Pages& p = GetPages(static_cast<int>(state.range(0)));
  ChainRule rule;
  rule.id = kCleanUpRule;
  rule.pattern = kPostPattern;
  rule.before = kLeft;
  rule.after = kRight;
  const std::optional<std::string> bytes = p.utf8;
  size_t found = 0;
  for (auto _ : state) {
    RuleReport report;
    const ChainPage page = RunRuleChain(rule, bytes, report);
    for (const Match& m : page.matches) {
      benchmark::DoNotOptimize(MatchSubText(m, page.text, 1));
      benchmark::DoNotOptimize(MatchSubText(m, page.text, 2));
    }
    found = page.matches.size();
  }
  state.counters["posts"] = static_cast<double>(found);
}
BENCHMARK(BM_WholeChain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw

BENCHMARK_MAIN();
