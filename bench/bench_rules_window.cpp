// The rules window on a `rule` table another program filled with rows by the
// hundred thousand (327,516 by default, as one such file held): half of them
// repeat the ids a rule may have, half hold ids no rule may have. Opening
// the window, reading the table again, and opening an editor from it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/rules/rule_editor.h"
#include "app/rules/rule_table_model.h"
#include "app/rules/rules_window.h"
#include "bench_folder.h"

namespace dw {
namespace {

// DW_BENCH_RULES gives fewer for a quick look.
const int kRules = CountFromEnvironment("DW_BENCH_RULES", 327516);

std::string DatabasePath() {
  static const std::string path = [] {
    const std::string path = BenchFolder() + "/qel6.sdb";
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::ifstream schema(std::string(DW_SOURCE_DIR) + "/data/schema.sql");
    std::stringstream text;
    text << schema.rdbuf();
    sqlite3_exec(db, text.str().c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into rule(id,isdo,rank,name,url,reg) "
                       "values(?,?,?,?,?,?)",
                       -1, &insert, nullptr);
    for (int i = 0; i < kRules; ++i) {
      const std::string name = "site " + std::to_string(i);
      const std::string url =
          "https://deals.example/forum-" + std::to_string(i) + ".html";
      sqlite3_bind_int64(insert, 1, i % (2 * kLastRuleId) + 1);
      sqlite3_bind_text(insert, 2, i % 3 ? "1" : "0", -1, SQLITE_STATIC);
      sqlite3_bind_int(insert, 3, i % 1000);
      sqlite3_bind_text(insert, 4, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 5, url.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 6, "<a href=\"/t/(\\d+)\">([^<]+)</a>", -1,
                        SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
  }();
  return path;
}

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

RulesWindowLinks Links() {
  RulesWindowLinks links;
  links.database_path = DatabasePath();
  return links;
}

// Its parts: reading every row, and ordering and marking them for the table.
void BM_LoadRows(benchmark::State& state) {
  Database db;
  DbOpen(db, DatabasePath());
  for (auto _ : state) benchmark::DoNotOptimize(LoadRuleRows(db));
}
BENCHMARK(BM_LoadRows)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SetRows(benchmark::State& state) {
  Database db;
  DbOpen(db, DatabasePath());
  const std::vector<RuleRow> rows = LoadRuleRows(db);
  RuleTableModel model(nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<RuleRow> copy = rows;
    state.ResumeTiming();
    model.SetRows(std::move(copy));
  }
}
BENCHMARK(BM_SetRows)->Iterations(3)->Unit(benchmark::kMillisecond);

// From nothing to the window on screen with its table read.
void BM_OpenWindow(benchmark::State& state) {
  QApplication& app = App();
  Links();  // the file is made outside the timing
  for (auto _ : state) {
    auto window = std::make_unique<RulesWindow>(Links());
    window->show();
    app.processEvents();
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_Reload(benchmark::State& state) {
  QApplication& app = App();
  RulesWindow window(Links());
  window.show();
  app.processEvents();
  for (auto _ : state) {
    window.Reload();
    app.processEvents();
  }
}
BENCHMARK(BM_Reload)->Iterations(3)->Unit(benchmark::kMillisecond);

// 新建: the editor finds the lowest free id and the top rank. (A save then
// reads the table again, as BM_Reload does.)
void BM_OpenEditor(benchmark::State& state) {
  QApplication& app = App();
  RulesWindow window(Links());
  window.show();
  app.processEvents();
  for (auto _ : state) {
    RuleEditor* editor = window.OpenEditor(RulesWindow::EditorKind::kNew);
    app.processEvents();
    state.PauseTiming();
    delete editor;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenEditor)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw

int main(int argc, char** argv) {
  return dw::RunBenchmarksInFolder(argc, argv);
}
