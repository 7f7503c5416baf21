#include "app/windows/history_model.h"

#include <QDateTime>
#include <limits>

#include "app/windows/mark_image.h"
#include "runtime/ui/qt_text.h"

namespace dw {

HistoryModel::HistoryModel(Database& db, QObject* parent)
    : QAbstractTableModel(parent), db_(db) {}

bool HistoryModel::SetFilter(const HistoryFilter& filter) {
  beginResetModel();
  filter_ = filter;
  posts_.clear();
  posts_.shrink_to_fit();
  auto first = FindHistory(db_, filter_,
                           std::numeric_limits<std::int64_t>::max(), kPageSize);
  if (first) posts_ = std::move(*first);
  at_end_ = !first || posts_.size() < static_cast<std::size_t>(kPageSize);
  endResetModel();
  return first.has_value();
}

const HistoryPost* HistoryModel::PostAt(int row) const {
  if (row < 0 || row >= static_cast<int>(posts_.size())) return nullptr;
  return &posts_[static_cast<std::size_t>(row)];
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(posts_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
  const HistoryPost* post = PostAt(index.row());
  if (!post) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    switch (index.column()) {
      case kSite:
        return GbkToQString(post->site);
      case kTitle:
        return QString::fromUtf8(post->title);
      case kTime:
        return HistoryTimeText(post->fetched_at);
    }
  }
  if (role == Qt::DecorationRole && index.column() == kTitle && post->hit) {
    static const QIcon mark = GreenMarkImage();
    return mark;
  }
  if (role == Qt::TextAlignmentRole && index.column() != kTitle) {
    return static_cast<int>(Qt::AlignCenter);
  }
  return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation,
                                  int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kSite:
      return QString::fromUtf8("站名");
    case kTitle:
      return QString::fromUtf8("标题");
    case kTime:
      return QString::fromUtf8("时间");
  }
  return {};
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !at_end_;
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  auto page =
      FindHistory(db_, filter_,
                  posts_.empty() ? std::numeric_limits<std::int64_t>::max()
                                 : posts_.back().id,
                  kPageSize);
  if (!page) {
    emit Refused();
    return;
  }
  at_end_ = page->size() < static_cast<std::size_t>(kPageSize);
  if (page->empty()) return;
  const int first = static_cast<int>(posts_.size());
  beginInsertRows({}, first, first + static_cast<int>(page->size()) - 1);
  posts_.insert(posts_.end(), std::make_move_iterator(page->begin()),
                std::make_move_iterator(page->end()));
  endInsertRows();
}

QString HistoryTimeText(std::int64_t fetched_at) {
  if (fetched_at == 0) return QString();
  return QDateTime::fromSecsSinceEpoch(fetched_at)
      .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

}  // namespace dw
