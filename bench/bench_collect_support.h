#pragma once

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "collect/collect_view.h"
#include "collect/program_state.h"
#include "runtime/database.h"

namespace dw::bench {

// The rule id the collection benchmarks run.
inline constexpr int kRule = 7;

// A new database file with the program's tables.
inline void OpenDatabase(Database& db, const std::string& path) {
  std::ifstream file(std::string(DW_SOURCE_DIR) + "/data/schema.sql");
  std::stringstream schema;
  schema << file.rdbuf();
  DbOpen(db, path, true);
  DbExecute(db, schema.str());
  // Memory and CPU are measured here, not the disk.
  DbExecute(db, "pragma synchronous=off");
}

// Rule kRule reads the benchmark's forum list page at `url`.
inline void SetRule(ProgramState& state, const std::string& url, bool gbk) {
  auto cell = [&](int c) -> std::string& {
    return state.rule_table.Cell(kRule, c);
  };
  cell(kRuleName) = "Bench";
  cell(kRuleUrl) = url;
  cell(kRuleIsgbk) = gbk ? "1" : "0";
  cell(kRuleType) = "0";
  cell(kRuleReg) = "<li class=thread><a href=/post/(\\d+)>(.*?)</a>";
  cell(kRuleBefore) = "<ul class=#\xD2\xFD\xBA\xC5posts#\xD2\xFD\xBA\xC5>";
  cell(kRuleAfter) = "</ul>";
  cell(kRuleTindex) = "2";
  cell(kRuleIdindex) = "1";
  cell(kRulePinurl) = "http://deals.example/post/[1]";
}

// A view that keeps the rows the windows would keep and runs every call at
// once: benchmarks have no GUI thread.
class KeepingView : public CollectView {
 public:
  void ClearRuleTree() override {}
  void AddRuleTreeItem(const std::string&, int, int) override {}
  int RuleTreeItemCount() override { return 0; }
  int RuleTreeCheckState(int) override { return -1; }
  int RuleTreeItemValue(int) override { return 0; }
  void ShowStatus(const std::string&, const std::string&) override {}
  void InsertPostRow(const PostRow& row) override { posts.push_front(row); }
  void ClearReminders() override { reminders.clear(); }
  void AddReminderRow(const ReminderRow& row) override {
    reminders.push_front(row);
  }
  void RunOnGuiThread(std::function<void()> call) override { call(); }

  std::deque<PostRow> posts;
  std::deque<ReminderRow> reminders;
};

// Resident and peak resident memory of the process, in bytes.
inline long ResidentBytes() {
  long pages_total = 0, pages_resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2) {
      pages_resident = 0;
    }
    std::fclose(f);
  }
  return pages_resident * ::sysconf(_SC_PAGESIZE);
}

// Bytes the heap has handed out and not taken back.
inline long HeapInUseBytes() {
  return static_cast<long>(::mallinfo2().uordblks);
}

inline long PeakResidentBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024L;
}

// A folder of its own under the system's temporary folder, removed at the
// end.
class TempFolder {
 public:
  TempFolder() {
    path_ = std::filesystem::temp_directory_path() /
            ("dw_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const {
    return (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

}  // namespace dw::bench
