#pragma once

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>

#include "collect/collect_view.h"

namespace dw::bench {

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
