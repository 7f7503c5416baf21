// The history on 1,000,000 generated posts stored the way an older version
// left them (info rows only): the catch-up that indexes them, the first page
// of searches of each kind, counting the matches, and opening the history
// window (time and memory). The database is made once, in a temporary
// folder, by the first benchmark; the others need it indexed, so run them
// together and in this order.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/windows/history_window.h"
#include "bench_folder.h"
#include "runtime/database.h"
#include "store/history_catch_up.h"
#include "store/history_search.h"
#include "store/post_history.h"
#include "store/post_time.h"
#include "store/statements.h"
#include "text/page_text.h"

namespace dw {
namespace {

// DW_BENCH_POSTS gives fewer for a quick look.
const int kPosts = CountFromEnvironment("DW_BENCH_POSTS", 1000000);

std::string DatabasePath() { return BenchFolder() + "/qel6.sdb"; }

// Titles as bargain posts read: a shop, a product, a price, a tag; UTF-8
// here, stored as GBK.
std::string Title(std::mt19937& random, int id) {
  static const char* const shops[] = {"京东",     "淘宝", "拼多多",
                                      "天猫超市", "苏宁", "唯品会"};
  static const char* const things[] = {
      "电动牙刷",   "洗衣液 5kg", "iPhone 15 手机壳", "纸巾 24包", "蓝牙耳机",
      "咖啡豆 1kg", "绿茶叶",     "机械键盘",         "保温杯",    "儿童绘本"};
  static const char* const tags[] = {"限时特价", "包邮", "新人礼",
                                     "秒杀",     "满减", "有货"};
  std::string title = shops[random() % 6];
  title += " ";
  title += things[random() % 10];
  title += " " + std::to_string(random() % 500) + "." +
           std::to_string(random() % 10) + "元 ";
  title += tags[random() % 6];
  title += " #" + std::to_string(id);
  return Utf8ToGbk(title);
}

void MakeDatabase() {
  static bool made = false;
  if (made) return;
  made = true;
  // DW_BENCH_INFO names a file that keeps the generated database (info
  // rows only) for the next run.
  const char* kept = std::getenv("DW_BENCH_INFO");
  if (kept && std::filesystem::exists(kept)) {
    std::filesystem::copy_file(kept, DatabasePath());
    return;
  }
  std::ifstream in(std::string(DW_SOURCE_DIR) + "/data/schema.sql");
  const std::string schema(std::istreambuf_iterator<char>(in), {});
  Database db;
  DbOpen(db, DatabasePath(), true);
  DbExecute(db, schema);
  DbExecute(db, "BEGIN");
  std::mt19937 random(7);
  const std::int64_t start = UnixNow() - kPosts * 60LL;
  for (int id = 1; id <= kPosts; ++id) {
    const CalendarTime t = LocalCalendar(start + id * 60LL);
    const std::string when = std::to_string(t.month) + "/" +
                             std::to_string(t.day) + " " +
                             std::to_string(100 + t.hour).substr(1) + ":" +
                             std::to_string(100 + t.minute).substr(1);
    const int site = static_cast<int>(random() % 12);
    DbExecute(db, kInsertPostStatement,
              {"site" + std::to_string(site), static_cast<long long>(site + 1),
               Title(random, id), "https://example.com/t/" + std::to_string(id),
               when, static_cast<long long>(random() % 20 == 0)});
  }
  DbExecute(db, "COMMIT");
  if (kept) std::filesystem::copy_file(DatabasePath(), kept);
}

// Whether the short-word index may be searched, as the window learns it.
bool caught_up = false;

void BM_CatchUp(benchmark::State& state) {
  MakeDatabase();
  Database db;
  DbOpen(db, DatabasePath());
  PrepareHistory(db);
  std::int64_t added = 0;
  for (auto _ : state) {
    const CatchUpResult result = CatchUpHistory(db, nullptr, 20000, UnixNow());
    added = result.added;
    caught_up = result.all_indexed;
  }
  state.counters["rows"] = static_cast<double>(added);
  state.counters["file_MB"] =
      static_cast<double>(std::filesystem::file_size(DatabasePath())) /
      (1 << 20);
  state.counters["rows_per_s"] = benchmark::Counter(
      static_cast<double>(added), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CatchUp)->Iterations(1)->Unit(benchmark::kMillisecond);

// The searches a user types, by kind.
const char* const kQueries[] = {
    "",             // the newest
    "电动牙刷",     // Chinese, index
    "iphone 手机",  // mixed words, index and scan
    "茶",           // one character
    "#999999",      // rare, index
    "保温杯 秒杀",  // two words, both common
    "鼠标",         // short and nowhere: the short-word index
    "鼠",           // one character and nowhere
    "5k",           // a letter and a digit
    "qz",           // two letters and nowhere
    "15",           // two digits, in every price: scan
    "~",            // a sign and nowhere: the scan reads every title
};

// The query of the benchmark's argument, labelled; `empty` names no words.
HistoryFilter QueryOf(benchmark::State& state, const char* empty) {
  HistoryFilter filter;
  filter.text = kQueries[state.range(0)];
  filter.pairs_complete = caught_up;
  state.SetLabel(filter.text.empty() ? empty : filter.text);
  return filter;
}

void BM_FirstPage(benchmark::State& state) {
  Database db;
  DbOpen(db, DatabasePath());
  const HistoryFilter filter = QueryOf(state, "(newest)");
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindHistory(db, filter, INT64_MAX, 200));
  }
}
BENCHMARK(BM_FirstPage)
    ->DenseRange(0, std::size(kQueries) - 1)
    ->Unit(benchmark::kMillisecond);

void BM_Count(benchmark::State& state) {
  Database db;
  DbOpen(db, DatabasePath());
  const HistoryFilter filter = QueryOf(state, "(all)");
  std::int64_t total = 0;
  for (auto _ : state) total = CountHistory(db, filter).value_or(-1);
  state.counters["matches"] = static_cast<double>(total);
}
BENCHMARK(BM_Count)
    ->DenseRange(0, std::size(kQueries) - 1)
    ->Unit(benchmark::kMillisecond);

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Making the window and opening it: the first page, the count, the sites.
void BM_OpenWindow(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QApplication* app = new QApplication(argc, argv);
  HistoryWindowOptions options;
  options.database_path = DatabasePath();
  // Qt's own first-use costs (fonts, styles) are not the window's.
  std::make_unique<HistoryWindow>(options)->Open();
  long grown = 0;
  for (auto _ : state) {
    const long before = ResidentBytes();
    auto window = std::make_unique<HistoryWindow>(options);
    window->Open();
    app->processEvents();
    grown = std::max(grown, ResidentBytes() - before);
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
  state.counters["rss_growth_MB"] = static_cast<double>(grown) / (1 << 20);
}
BENCHMARK(BM_OpenWindow)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw

int main(int argc, char** argv) {
  return dw::RunBenchmarksInFolder(argc, argv);
}
