// The history window: every stored post, newest first, searched as the
// user types, filtered by site, keyword hits and date, exported as CSV.
// One window for the program's life, shown and raised by Open.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/windows/history_model.h"
#include "app/windows/post_menu.h"
#include "runtime/database.h"
#include "runtime/threads.h"
#include "store/history_upkeep.h"

namespace dw {

struct HistoryWindowOptions {
  std::string database_path;
  // Opening links, and saying why one did not open.
  PostMenuActions links;
  // The trigram index is there (see PrepareHistory); else titles are
  // searched by scan, and `problem` says so.
  bool use_index = true;
  QString problem;
  std::function<std::int64_t()> clock;  // now, for the date ranges
  // Where 导出 CSV writes, given the file the dialog would start at (in
  // the user's documents folder, then in the folder last written to);
  // empty: ask with a file dialog.
  std::function<QString(const QString& start)> export_path;
  // True once after the collection found a history index damaged on a
  // write; asked every few seconds. Empty: never.
  std::function<bool()> take_write_damage;
};

class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  enum Range { kToday, kWeek, kMonth, kAll, kCustom };

  explicit HistoryWindow(HistoryWindowOptions options);
  ~HistoryWindow() override;

  // Shows and raises the window, and indexes posts stored meanwhile by
  // other programs.
  void Open();
  // Keeps the history up off this thread (see KeepUpHistory): tables made,
  // damaged indexes rebuilt, the stored posts that lack our rows indexed;
  // the list and what it says follow when it is done, and an unfinished
  // pass is tried again a little later.
  void StartCatchUp();

  // Reads the list again with the filters as they stand.
  void Search();

  HistoryModel* Model() const { return model_; }
  QLineEdit* SearchField() const { return search_; }
  QComboBox* SiteBox() const { return site_; }
  QCheckBox* HitsOnly() const { return hits_only_; }
  QComboBox* RangeBox() const { return range_; }
  QDateEdit* FromDate() const { return from_; }
  QDateEdit* ToDate() const { return to_; }
  QPushButton* ExportButton() const { return export_; }
  QTableView* List() const { return list_; }
  QLabel* Status() const { return status_; }

 signals:
  // A catch-up pass ended (for tests and the status line).
  void CaughtUp(std::int64_t added);

 private:
  // The constructor's steps, in this order.
  void BuildFilters();
  void BuildList();
  void LayOut();
  void SetUpTimers();
  void ConnectControls();
  HistoryFilter CurrentFilter() const;
  void FillSites();
  // Counts the matches off this thread when the first page did not hold
  // them all; a count for filters since changed is dropped.
  void StartCount();
  void ShowCount(std::optional<std::int64_t> total);
  void ExportCsv();
  void OpenRow(int row);
  void ShowMenu(const QPoint& at);
  void OnCaughtUp(const HistoryUpkeep& result);

  HistoryWindowOptions options_;
  Database db_;
  HistoryModel* model_;
  QLineEdit* search_;
  QComboBox* site_;
  QCheckBox* hits_only_;
  QComboBox* range_;
  QDateEdit* from_;
  QDateEdit* to_;
  QPushButton* export_;
  QTableView* list_;
  QLabel* status_;
  QTimer typing_pause_;
  QTimer retry_;
  QTimer upkeep_retry_;
  QTimer damage_watch_;
  ThreadHandle catch_up_;
  ThreadHandle counter_;
  QString export_folder_;  // where the export dialog opens
  std::uint64_t count_generation_ = 0;
  // A catch-up has finished: short words may use their own index.
  bool pairs_ready_ = false;
  // The first upkeep pass, which checks the indexes, has been started.
  bool checked_ = false;
};

}  // namespace dw
