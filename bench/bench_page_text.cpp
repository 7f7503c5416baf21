// Each step that turns a fetched list page into posts, on a generated
// page of 1 MiB with a few hundred posts in forum-list markup.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "collect/rule_chain.h"
#include "net/cookies.h"
#include "runtime/native_pattern.h"
#include "text/page_text.h"
#include "text/regex_object.h"

namespace dw {
namespace {

constexpr size_t kPageSize = 1 << 20;

// One list row as a forum sends it, in UTF-8.
std::string PostRow(int id) {
  const std::string tid = std::to_string(id);
  const std::string url = "thread-" + tid + "-1-1.html";
  std::string titles[] = {
      "\xE4\xBA\xAC\xE4\xB8\x9C \xE6\x9F\x90\xE5\x93\x81\xE7\x89\x8C"
      "\xE7\x94\xB5\xE5\x8A\xA8\xE7\x89\x99\xE5\x88\xB7 \xE9\x99\x90"
      "\xE6\x97\xB6\xE7\x89\xB9\xE4\xBB\xB7 99\xE5\x85\x83 "
      "\xE5\x8C\x85\xE9\x82\xAE",
      "\xE6\xB7\x98\xE5\xAE\x9D 0.01\xE5\x85\x83 &quot;\xE6\x96\xB0"
      "\xE4\xBA\xBA\xE7\xA4\xBC&quot; \xE7\xBA\xB8\xE5\xB7\xBE 3"
      "\xE5\x8C\x85 &lt;\xE9\x80\x9F\xE5\xBA\xA6&gt;",
      "\xE6\x8B\xBC\xE5\xA4\x9A\xE5\xA4\x9A \xE6\xB4\x97\xE8\xA1\xA3"
      "\xE6\xB6\xB2 5kg 19.9\xE5\x85\x83 100&#37; "
      "\xE6\x9C\x89\xE8\xB4\xA7",
  };
  const std::string& title = titles[id % 3];
  std::string row;
  row += "<tbody id=\"normalthread_" + tid + "\">\r\n<tr>\r\n";
  row += "\t<td class=\"icn\"><a href=\"" + url +
         "\" title=\"\xE6\x96\xB0\xE7\xAA\x97\xE5\x8F\xA3\xE6\x89\x93\xE5"
         "\xBC\x80\" target=\"_blank\"><img src=\"static/image/common/"
         "folder_new.gif\" /></a></td>\r\n";
  row += "\t<th class=\"new\">\r\n\t\t<a href=\"javascript:;\" id=\"content_" +
         tid +
         "\" class=\"showcontent y\" title=\"\xE6\x9B\xB4\xE5\xA4\x9A\" "
         "onclick=\"CONTENT_TID='" +
         tid + "';CONTENT_ID='normalthread_" + tid +
         "';showMenu({'ctrlid':this.id,'menuid':'content_menu'})\"></a>\r\n";
  row +=
      "\t\t<em>[<a href=\"forum.php?mod=forumdisplay&amp;fid=2&amp;"
      "filter=typeid&amp;typeid=3\">\xE7\xBA\xBF\xE6\x8A\xA5</a>]</em>  "
      "<a href=\"" +
      url + "\" onclick=\"atarget(this)\" class=\"s xst\">" + title +
      "</a>\r\n";
  row +=
      "\t\t<img src=\"static/image/filetype/image_s.gif\" alt=\"attach_img\""
      " title=\"\xE5\x9B\xBE\xE7\x89\x87\" align=\"absmiddle\" />\r\n";
  row += "\t\t<span class=\"tps\">&nbsp;...<a href=\"thread-" + tid +
         "-2-1.html\">2</a></span> [<span class=\"xw1\">" +
         std::to_string(id % 97) + "</span>]\r\n\t</th>\r\n";
  row += "\t<td class=\"by\"><cite><a href=\"space-uid-" +
         std::to_string(id % 5000) + ".html\" c=\"1\">member" +
         std::to_string(id % 977) +
         "</a></cite><em><span class=\"xi1\">2024-5-1</span></em></td>\r\n";
  row += "\t<td class=\"num\"><a href=\"" + url +
         "\" class=\"xi2\">12</a><em>345</em></td>\r\n";
  row +=
      "\t<td class=\"by\"><cite><a href=\"space-username-abc.html\" "
      "c=\"1\">abc</a></cite><em><a href=\"forum.php?mod=redirect&amp;"
      "tid=" +
      tid +
      "&amp;goto=lastpost#lastpost\"><span title=\"2024-5-1 10:00\">10 "
      "\xE5\x88\x86\xE9\x92\x9F\xE5\x89\x8D</span></a></em></td>\r\n";
  row += "</tr>\r\n</tbody>\r\n";
  return row;
}

// Scripts and navigation before and after the list, as real pages have.
std::string Filler(size_t bytes) {
  std::string s;
  int n = 0;
  while (s.size() < bytes) {
    s += "<script type=\"text/javascript\">var nav_" + std::to_string(n++) +
         " = {'url':'forum.php?mod=guide&view=hot','title':'\xE7\x83\xAD"
         "\xE9\x97\xA8'};</script>\r\n<div class=\"nav\"><a href=\"#\">"
         "\xE9\xA6\x96\xE9\xA1\xB5</a> &rsaquo; <a href=\"#\">"
         "\xE8\xAE\xBA\xE5\x9D\x9B</a></div>\r\n";
  }
  return s;
}

struct Pages {
  std::string utf8;
  std::string gbk;
  std::string cut;    // between the markers, GBK
  std::string tidy;   // after TidyHtmlText
  std::string clean;  // after the five clean-up replacements
  int posts = 0;
};

const char kLeft[] = "<table summary=\"forum_2\" id=\"threadlisttableid\">";
const char kRight[] = "</table><!-- end list -->";

const char* const kCleanUp[][2] = {
    {"<img src=.*?/>", ""},
    {"<span class=tps>.*?</span>", ""},
    {"<span class=xw1>", ""},
    {"</span>]", "]"},
    {"</a>", ""},
};

const char kPostPattern[] =
    "<a href=thread-(\\d+)-1-1\\.html onclick=atarget\\(this\\) "
    "class=s xst>(.*?)</th>";

const Pages& GetPages() {
  static const Pages pages = [] {
    Pages p;
    std::string rows;
    const std::string head = Filler(96 * 1024) + kLeft + "\r\n";
    const std::string tail = std::string(kRight) + "\r\n";
    while (head.size() + rows.size() + tail.size() < kPageSize - 64 * 1024) {
      rows += PostRow(700000 + p.posts++);
    }
    p.utf8 = head + rows + tail;
    p.utf8 += Filler(kPageSize - p.utf8.size());
    p.utf8.resize(kPageSize);
    p.gbk = Utf8ToGbk(p.utf8);
    p.cut = TextBetween(p.gbk, kLeft, kRight);
    p.tidy = TidyHtmlText(p.cut);
    p.clean = p.tidy;
    for (const auto& step : kCleanUp) {
      p.clean = RegexReplace(step[0], p.clean, step[1]);
    }
    return p;
  }();
  return pages;
}

void SetBytes(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["in_KiB"] = static_cast<double>(bytes) / 1024;
}

void BM_Utf8ToGbk(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(p.utf8));
  SetBytes(state, p.utf8.size());
}
BENCHMARK(BM_Utf8ToGbk);

void BM_TextBetween(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state)
    benchmark::DoNotOptimize(TextBetween(p.gbk, kLeft, kRight));
  SetBytes(state, p.gbk.size());
}
BENCHMARK(BM_TextBetween);

void BM_TidyHtmlText(benchmark::State& state) {
  const Pages& p = GetPages();
  for (auto _ : state) benchmark::DoNotOptimize(TidyHtmlText(p.cut));
  SetBytes(state, p.cut.size());
}
BENCHMARK(BM_TidyHtmlText);

// The same, noting what goes, as the chain does for rules without a site
// clean-up so that titles can be read back as the page had them.
void BM_TidyHtmlTextNoted(benchmark::State& state) {
  const Pages& p = GetPages();
  TidyMarks marks;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TidyHtmlText(p.cut, 0, std::string::npos, &marks));
  }
  state.counters["marks"] = static_cast<double>(marks.size());
  SetBytes(state, p.cut.size());
}
BENCHMARK(BM_TidyHtmlTextNoted);

// Every post's title read back from the tidied page as a browser shows it.
void BM_ShownTitles(benchmark::State& state) {
  const Pages& p = GetPages();
  ChainRule rule;
  rule.id = 20;  // no site clean-up
  rule.page_is_gbk = true;
  rule.pattern = kPostPattern;
  rule.before = kLeft;
  rule.after = kRight;
  rule.id_group = 1;
  rule.title_group = 2;
  RuleReport report;
  const ChainPage page = RunRuleChain(rule, p.gbk, report);
  for (auto _ : state) {
    for (const Match& m : page.matches) {
      benchmark::DoNotOptimize(PostOfMatch(rule, m, page));
    }
  }
  state.counters["posts"] = static_cast<double>(page.matches.size());
}
BENCHMARK(BM_ShownTitles);

void BM_RegexReplace(benchmark::State& state) {
  const Pages& p = GetPages();
  const auto& step = kCleanUp[state.range(0)];
  state.SetLabel(step[0]);
  for (auto _ : state) {
    benchmark::DoNotOptimize(RegexReplace(step[0], p.tidy, step[1]));
  }
  SetBytes(state, p.tidy.size());
}
BENCHMARK(BM_RegexReplace)->DenseRange(0, 4);

// The same replacements through the full engine (wide conversion and
// the regular-expression object), as any pattern of another shape takes.
void BM_RegexObjectReplace(benchmark::State& state) {
  const Pages& p = GetPages();
  const auto& step = kCleanUp[state.range(0)];
  state.SetLabel(step[0]);
  for (auto _ : state) {
    RegexObject re;
    re.Search(step[0], p.tidy);
    benchmark::DoNotOptimize(re.ReplaceMatches(step[1]));
  }
  SetBytes(state, p.tidy.size());
}
BENCHMARK(BM_RegexObjectReplace)->DenseRange(0, 4);

void BM_PatternSearchAll(benchmark::State& state) {
  const Pages& p = GetPages();
  Pattern pattern = PatternNew();
  PatternCreate(pattern, kPostPattern, false);
  size_t found = 0;
  for (auto _ : state) {
    std::vector<Match> matches = PatternSearchAll(pattern, p.clean);
    found = matches.size();
    benchmark::DoNotOptimize(matches.data());
  }
  state.counters["posts"] = static_cast<double>(found);
  SetBytes(state, p.clean.size());
}
BENCHMARK(BM_PatternSearchAll);

// The whole road of one page, from the body as received to the post list.
void RunChain(benchmark::State& state, bool utf8) {
  const Pages& p = GetPages();
  Pattern pattern = PatternNew();
  PatternCreate(pattern, kPostPattern, false);
  size_t found = 0;
  for (auto _ : state) {
    std::string text = utf8 ? Utf8ToGbk(p.utf8) : p.gbk;
    std::string page = TidyHtmlText(TextBetween(text, kLeft, kRight));
    for (const auto& step : kCleanUp)
      page = RegexReplace(step[0], page, step[1]);
    std::vector<Match> matches = PatternSearchAll(pattern, page);
    for (const Match& m : matches) {
      benchmark::DoNotOptimize(MatchSubText(m, page, 1));
      benchmark::DoNotOptimize(MatchSubText(m, page, 2));
    }
    found = matches.size();
  }
  state.counters["posts"] = static_cast<double>(found);
  SetBytes(state, utf8 ? p.utf8.size() : p.gbk.size());
}

void BM_WholeChainUtf8(benchmark::State& state) { RunChain(state, true); }
BENCHMARK(BM_WholeChainUtf8)->Unit(benchmark::kMillisecond);

void BM_WholeChainGbk(benchmark::State& state) { RunChain(state, false); }
BENCHMARK(BM_WholeChainGbk)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw

BENCHMARK_MAIN();
