// A round over sites whose pages did not change since the last one: what it
// costs in bytes fetched and in CPU, for 18 and for 200 rules, with the
// pages' validators (an ETag the server honours with 304), with the bytes
// alone (a server that gives no validators), and read whole as every round
// read them before.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/collect/counting_server.h"
#include "bench_collect_support.h"
#include "collect/collection_round.h"
#include "collect/program_state.h"
#include "net/http_request.h"

namespace dw::bench {
namespace {

const HttpGlobalInit kHttpInit;

// A forum list page of about 100 KB: 200 posts.
std::string Page() {
  std::string page = "<html><body><ul class=\"posts\">";
  for (int id = 5000; id > 4800; --id) {
    page += "\r\n\t<li class=\"thread\"><a href=\"/post/" + std::to_string(id) +
            "\">deal " + std::to_string(id) + "</a><span class=\"n\">" +
            std::string(420, 'x') + "</span></li>";
  }
  return page + "\r\n</ul></body></html>";
}

enum Mode { kValidators, kBytesOnly, kWhole };

void BM_UnchangedRound(benchmark::State& st) {
  const int rules = static_cast<int>(st.range(0));
  const Mode mode = static_cast<Mode>(st.range(1));
  testing::CountingServer server(Page());
  server.SetValidators(mode == kValidators);
  TempFolder folder;
  ProgramState state;
  state.database_path = folder.File("qel6.sdb");
  OpenDatabase(state.database, state.database_path);
  KeepingView view;
  WorkerContext ctx{state, view, 0};
  for (int id = 1; id <= rules; ++id) {
    SetRule(state, server.Url() + "?site=" + std::to_string(id), true);
    for (int cell = 1; cell <= RuleTable::kCells; ++cell) {
      state.rule_table.Cell(kFirstNewRuleId + id, cell) =
          state.rule_table.Cell(kRule, cell);
    }
  }
  const auto round = [&] {
    int parsed = 0;
    for (int id = 1; id <= rules; ++id) {
      if (mode == kWhole) state.validators.clear();
      const RuleReport report = RunRule(ctx, kFirstNewRuleId + id);
      NoteRuleRun(ctx, report);
      parsed += report.fetch.unchanged ? 0 : 1;
    }
    return parsed;
  };
  round();  // every page read whole once, its posts stored
  const long long bytes_before = server.BytesSent();
  int parsed = 0;
  for (auto _ : st) parsed += round();
  const double runs = static_cast<double>(st.iterations()) * rules;
  st.counters["bytes_per_rule"] =
      static_cast<double>(server.BytesSent() - bytes_before) / runs;
  st.counters["parsed_per_rule"] = parsed / runs;
}
BENCHMARK(BM_UnchangedRound)
    ->ArgsProduct({{18, 200}, {kValidators, kBytesOnly, kWhole}})
    ->ArgNames({"rules", "mode"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dw::bench

BENCHMARK_MAIN();
