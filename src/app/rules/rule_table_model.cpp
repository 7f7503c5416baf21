#include "app/rules/rule_table_model.h"

#include <QApplication>
#include <QBrush>
#include <QStyle>
#include <algorithm>
#include <cstdlib>
#include <unordered_set>
#include <utility>

#include "app/rules/health_board.h"
#include "app/rules/rule_report_text.h"
#include "runtime/ui/qt_text.h"
#include "store/rule_id.h"

namespace dw {
namespace {

constexpr char kHiddenIsdo[] = "3";

bool Hidden(const RuleRow& row) { return row.isdo == kHiddenIsdo; }

// A rank as the rule statement's "order by rank desc" orders it: numbers by
// value, above them any rank stored as text. Read once per row, not at
// every comparison: a table may hold hundreds of thousands.
struct RankKey {
  bool number = false;
  double value = 0;
  const std::string* text = nullptr;
};

RankKey KeyOf(const std::string& rank) {
  RankKey key;
  char* end = nullptr;
  key.value = std::strtod(rank.c_str(), &end);
  key.number = !rank.empty() && end && *end == '\0';
  key.text = &rank;
  return key;
}

bool RankedHigher(const RankKey& a, const RankKey& b) {
  if (a.number != b.number) return !a.number;
  return a.number ? a.value > b.value : *a.text > *b.text;
}

}  // namespace

RuleTableModel::RuleTableModel(const HealthBoard* health, QObject* parent)
    : QAbstractTableModel(parent), health_(health), clock_(Now) {
  if (health_) {
    connect(health_, &HealthBoard::Changed, this,
            &RuleTableModel::HealthChanged);
  }
}

void RuleTableModel::SetRows(std::vector<RuleRow> rows) {
  std::vector<std::pair<RankKey, std::size_t>> order;
  order.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    order.emplace_back(KeyOf(rows[r].rank), r);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) {
                     return RankedHigher(a.first, b.first);
                   });
  std::vector<RuleRow> ranked;
  ranked.reserve(rows.size());
  for (const auto& [key, r] : order) ranked.push_back(std::move(rows[r]));
  beginResetModel();
  rows_ = std::move(ranked);
  idle_.assign(rows_.size(), false);
  first_row_.clear();
  std::unordered_set<std::int64_t> running;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    first_row_.emplace(rows_[r].id, static_cast<int>(r));
    if (!Hidden(rows_[r])) {
      idle_[r] = !IsRuleId(rows_[r].id) || !running.insert(rows_[r].id).second;
    }
  }
  endResetModel();
}

const RuleRow* RuleTableModel::RowAt(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  return &rows_[row];
}

int RuleTableModel::RowOfId(std::int64_t id) const {
  const auto found = first_row_.find(id);
  return found == first_row_.end() ? -1 : found->second;
}

void RuleTableModel::SetIsdo(std::int64_t id, const std::string& isdo) {
  const int r = RowOfId(id);
  if (r < 0) return;
  rows_[r].isdo = isdo;
  emit dataChanged(index(r, 0), index(r, kColumnCount - 1));
}

void RuleTableModel::HealthChanged(int rule_id) {
  const int r = RowOfId(rule_id);
  if (r >= 0) emit dataChanged(index(r, kStatus), index(r, kLastNew));
}

int RuleTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RuleTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant RuleTableModel::data(const QModelIndex& index, int role) const {
  const RuleRow* row = RowAt(index.row());
  if (!row) return QVariant();
  const RuleHealth* health =
      health_ ? health_->Find(static_cast<int>(row->id)) : nullptr;
  const bool unhealthy = health && health->Unhealthy();
  const bool idle = idle_[index.row()];
  if (idle && index.column() == kStatus && !IsRuleId(row->id)) {
    // Written by another program: the loader passes it over.
    if (role == Qt::DisplayRole) {
      return QString::fromUtf8("编号超出 %1 到 %2，不运行")
          .arg(kFirstRuleId)
          .arg(kLastRuleId);
    }
    if (role == Qt::ToolTipRole) {
      return QString::fromUtf8(
                 "编号 %1 不在 %2 到 %3 之间：不载入、不采集；"
                 "复制它就能得到一个可用的编号")
          .arg(row->id)
          .arg(kFirstRuleId)
          .arg(kLastRuleId);
    }
  } else if (idle && index.column() == kStatus) {
    if (role == Qt::DisplayRole) return QString::fromUtf8("编号重复，不运行");
    if (role == Qt::ToolTipRole) {
      return QString::fromUtf8(
                 "编号 %1 也属于排在前面的一条规则；每轮只运行排在最前的那条")
          .arg(row->id);
    }
  }
  if (role == Qt::ForegroundRole) {
    if (Hidden(*row) || idle) return QBrush(Qt::gray);
    if (unhealthy && index.column() == kStatus) return QBrush(Qt::red);
    return QVariant();
  }
  switch (index.column()) {
    case kTick:
      if (role == Qt::CheckStateRole) {
        return row->isdo == "1" ? Qt::Checked : Qt::Unchecked;
      }
      if (role == Qt::ToolTipRole && Hidden(*row)) {
        return QString::fromUtf8("已隐藏（isdo 为 3）：不载入、不采集");
      }
      break;
    case kId:
      if (role == Qt::DisplayRole) return QString::number(row->id);
      if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      break;
    case kName:
      if (role == Qt::DisplayRole) return GbkToQString(row->name);
      if (role == Qt::DecorationRole && unhealthy) {
        return QApplication::style()->standardIcon(
            QStyle::SP_MessageBoxWarning);
      }
      break;
    case kUrl:
      if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return GbkToQString(row->url);
      }
      break;
    case kType:
      if (role == Qt::DisplayRole) return RuleTypeText(row->type);
      break;
    case kStatus:
      if (role == Qt::DisplayRole) {
        return Hidden(*row) ? QString::fromUtf8("已隐藏")
                            : RuleStatusText(health, clock_());
      }
      if (role == Qt::ToolTipRole) return RuleStatusTip(health);
      break;
    case kLastNew:
      if (!health || !health->last_new) break;
      if (role == Qt::DisplayRole) {
        return RelativeTimeText(*health->last_new, clock_());
      }
      if (role == Qt::ToolTipRole) return ExactTimeText(*health->last_new);
      break;
  }
  return QVariant();
}

QVariant RuleTableModel::headerData(int section, Qt::Orientation orientation,
                                    int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QVariant();
  }
  static const char* const kHeadings[] = {"",     "编号", "站名",    "地址",
                                          "类型", "状态", "最近新帖"};
  if (section < 0 || section >= kColumnCount) return QVariant();
  return QString::fromUtf8(kHeadings[section]);
}

Qt::ItemFlags RuleTableModel::flags(const QModelIndex& index) const {
  const RuleRow* row = RowAt(index.row());
  if (!row) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  // A hidden rule is not in the rule tree, so it has no tick to change.
  if (index.column() == kTick && !Hidden(*row))
    flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool RuleTableModel::setData(const QModelIndex& index, const QVariant& value,
                             int role) {
  const RuleRow* row = RowAt(index.row());
  if (!row || index.column() != kTick || role != Qt::CheckStateRole ||
      Hidden(*row)) {
    return false;
  }
  emit TickRequested(row->id, value.toInt() == Qt::Checked);
  return false;  // the owner writes the tick and calls SetIsdo
}

}  // namespace dw
