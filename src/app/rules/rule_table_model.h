#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "runtime/date_time.h"
#include "store/rule_row.h"

namespace dw {

class HealthBoard;

// Every row of `rule` (hidden ones too) for the rules table, highest rank
// first: tick, id, name, address, kind, status and the time a post was last
// new. The tick is the rule tree's tick; changing it is asked of the owner
// through TickRequested, which writes it and calls SetIsdo.
class RuleTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    kTick,
    kId,
    kName,
    kUrl,
    kType,
    kStatus,
    kLastNew,
    kColumnCount
  };

  RuleTableModel(const HealthBoard* health, QObject* parent = nullptr);

  // Replaces the rows; equal ranks keep the order given (by id).
  void SetRows(std::vector<RuleRow> rows);
  const std::vector<RuleRow>& Rows() const { return rows_; }
  const RuleRow* RowAt(int row) const;
  int RowOfId(std::int64_t id) const;  // -1 when absent
  void SetIsdo(std::int64_t id, const std::string& isdo);
  // The clock relative times are counted against (Now when not set).
  void SetClock(std::function<DateTime()> clock) { clock_ = std::move(clock); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value,
               int role) override;

 signals:
  void TickRequested(std::int64_t id, bool ticked);

 private:
  void HealthChanged(int rule_id);

  const HealthBoard* health_;
  std::vector<RuleRow> rows_;
  // Rows whose id a row ranked higher already has: the engine runs each
  // id once a round, the first by rank, so these never run.
  std::vector<bool> idle_;
  std::unordered_map<std::int64_t, int> first_row_;  // by id, for RowOfId
  std::function<DateTime()> clock_;
};

}  // namespace dw
