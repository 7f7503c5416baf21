// The stored posts that match the history window's filters, as a list
// model that reads them a page at a time as the view scrolls: what it holds
// grows with what was looked at, never with what is stored.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/database.h"
#include "store/history_search.h"

namespace dw {

class HistoryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kSite, kTitle, kTime, kColumns };
  static constexpr int kPageSize = 200;

  HistoryModel(Database& db, QObject* parent = nullptr);

  // Starts over with the first page for `filter`. False when the database
  // refused; the list is empty then.
  bool SetFilter(const HistoryFilter& filter);
  const HistoryFilter& Filter() const { return filter_; }
  // True when every matching post has been read: then they are counted.
  bool AtEnd() const { return at_end_; }
  // Null outside the rows read so far.
  const HistoryPost* PostAt(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 signals:
  // A page could not be read (the database held elsewhere).
  void Refused();

 private:
  Database& db_;
  HistoryFilter filter_;
  std::vector<HistoryPost> posts_;
  bool at_end_ = true;
};

// "2026-12-07 13:41", local time; empty for an unknown time.
QString HistoryTimeText(std::int64_t fetched_at);

}  // namespace dw
