#include "app/windows/list_rows.h"

#include <algorithm>
#include <cstring>

#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

constexpr int kMaxColumns = 8;  // four image bits each in 32
constexpr int kImageBits = 4;
constexpr std::uint32_t kImageMask = (1u << kImageBits) - 1;
constexpr size_t kEndBytes = sizeof(std::uint32_t);  // a column's end offset

// The end offset of `column`'s text, written at the head of a packed row.
std::uint32_t EndOf(const char* bytes, size_t column) {
  std::uint32_t end;
  std::memcpy(&end, bytes + column * kEndBytes, kEndBytes);
  return end;
}

}  // namespace

ListRows::ListRows(std::vector<QString> headings,
                   std::vector<Qt::Alignment> alignments,
                   std::vector<QIcon> images, QObject* parent)
    : QAbstractTableModel(parent),
      headings_(std::move(headings)),
      alignments_(std::move(alignments)),
      images_(std::move(images)) {
  headings_.resize(std::min<size_t>(headings_.size(), kMaxColumns));
  alignments_.resize(headings_.size(), Qt::AlignLeft);
  images_.resize(std::min<size_t>(images_.size(), kImageMask));
}

int ListRows::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListRows::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

bool ListRows::Has(int row, int column) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 &&
         column < static_cast<int>(headings_.size());
}

ListRows::Row ListRows::Pack(const std::vector<std::string_view>& cells) const {
  const size_t columns = headings_.size();
  const size_t head = columns * kEndBytes;
  size_t size = head;
  for (size_t c = 0; c < columns && c < cells.size(); ++c) {
    size += cells[c].size();
  }
  Row row;
  row.bytes = std::make_unique_for_overwrite<char[]>(size);
  std::uint32_t end = 0;
  for (size_t c = 0; c < columns; ++c) {
    if (c < cells.size()) {
      std::memcpy(row.bytes.get() + head + end, cells[c].data(),
                  cells[c].size());
      end += static_cast<std::uint32_t>(cells[c].size());
    }
    std::memcpy(row.bytes.get() + c * kEndBytes, &end, kEndBytes);
  }
  return row;
}

std::vector<std::string_view> ListRows::Cells(const Row& row) const {
  std::vector<std::string_view> cells;
  for (size_t c = 0; c < headings_.size(); ++c) {
    cells.push_back(Cell(row, static_cast<int>(c)));
  }
  return cells;
}

std::string_view ListRows::Cell(const Row& row, int column) const {
  const char* bytes = row.bytes.get();
  const std::uint32_t start = column > 0 ? EndOf(bytes, column - 1) : 0;
  return {bytes + headings_.size() * kEndBytes + start,
          EndOf(bytes, column) - start};
}

QVariant ListRows::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Has(index.row(), index.column())) return {};
  switch (role) {
    case Qt::DisplayRole:
      return GbkToQString(Cell(rows_[index.row()], index.column()));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(alignments_[index.column()] |
                                 Qt::AlignVCenter);
    case Qt::DecorationRole: {
      const int image = Image(index.row(), index.column());
      if (image >= 0) return images_[image];
      return {};
    }
    default:
      return {};
  }
}

QVariant ListRows::headerData(int section, Qt::Orientation orientation,
                              int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(headings_.size())) {
    return {};
  }
  if (role == Qt::DisplayRole) return headings_[section];
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(alignments_[section] | Qt::AlignVCenter);
  }
  return {};
}

Qt::ItemFlags ListRows::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int ListRows::InsertRows(int position,
                         const std::vector<std::vector<std::string>>& cells) {
  const int count = static_cast<int>(rows_.size());
  const int at = position < 0 || position > count ? count : position;
  if (cells.empty()) return at;
  std::vector<Row> packed;
  packed.reserve(cells.size());
  for (const std::vector<std::string>& row : cells) {
    packed.push_back(Pack({row.begin(), row.end()}));
  }
  beginInsertRows(QModelIndex(), at, at + static_cast<int>(cells.size()) - 1);
  rows_.insert(rows_.begin() + at, std::make_move_iterator(packed.begin()),
               std::make_move_iterator(packed.end()));
  endInsertRows();
  return at;
}

std::string ListRows::Text(int row, int column) const {
  if (!Has(row, column)) return std::string();
  return std::string(Cell(rows_[row], column));
}

void ListRows::SetText(int row, int column, std::string_view text) {
  if (!Has(row, column)) return;
  Row& target = rows_[row];
  std::vector<std::string_view> cells = Cells(target);
  cells[column] = text;
  Row changed = Pack(cells);
  changed.images = target.images;
  target = std::move(changed);
  const QModelIndex at = index(row, column);
  emit dataChanged(at, at, {Qt::DisplayRole});
}

int ListRows::Image(int row, int column) const {
  if (!Has(row, column)) return -1;
  const std::uint32_t bits =
      (rows_[row].images >> (column * kImageBits)) & kImageMask;
  return static_cast<int>(bits) - 1;
}

void ListRows::SetImage(int row, int column, int image) {
  if (!Has(row, column)) return;
  const std::uint32_t bits =
      image >= 0 && image < static_cast<int>(images_.size())
          ? static_cast<std::uint32_t>(image + 1)
          : 0;
  std::uint32_t& images = rows_[row].images;
  images &= ~(kImageMask << (column * kImageBits));
  images |= bits << (column * kImageBits);
  const QModelIndex at = index(row, column);
  emit dataChanged(at, at, {Qt::DecorationRole});
}

void ListRows::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
  rows_.shrink_to_fit();
}

}  // namespace dw
