#include "app/windows/list_box.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPalette>
#include <QStyledItemDelegate>

#include "app/windows/mark_image.h"

namespace dw {
namespace {

// Shows the selection on the first cell only, as a list without whole-row
// selection does.
class FirstCellSelectionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem adjusted(option);
    if (index.column() != 0) {
      adjusted.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    }
    QStyledItemDelegate::paint(painter, adjusted, index);
  }
};

}  // namespace

QString ListItem::text(int column) const {
  if (!row_.isValid()) {
    return list_->Rows()
        ->headerData(column, Qt::Horizontal, Qt::DisplayRole)
        .toString();
  }
  return row_.sibling(row_.row(), column).data(Qt::DisplayRole).toString();
}

QIcon ListItem::icon(int column) const {
  if (!row_.isValid()) return QIcon();
  return row_.sibling(row_.row(), column)
      .data(Qt::DecorationRole)
      .value<QIcon>();
}

int ListItem::textAlignment(int column) const {
  return static_cast<int>(list_->ColumnAlignment(column) | Qt::AlignVCenter);
}

void ListItem::setSelected(bool selected) {
  if (!row_.isValid()) return;
  list_->selectionModel()->select(
      QModelIndex(row_),
      (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
          QItemSelectionModel::Rows);
}

ListBox::ListBox(QWidget* parent, const std::vector<ListColumn>& columns,
                 bool whole_row_selection)
    : QTreeView(parent), images_{GreenMarkImage()} {
  std::vector<QString> headings;
  for (const ListColumn& column : columns) {
    headings.push_back(column.heading);
    alignments_.push_back(column.alignment);
  }
  rows_ = new ListRows(headings, alignments_, images_, this);
  setModel(rows_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(whole_row_selection);
  if (!whole_row_selection) {
    setItemDelegate(new FirstCellSelectionDelegate(this));
  }
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(15, 15));

  QPalette colours = palette();
  colours.setColor(QPalette::Base, QColor(251, 245, 213));
  colours.setColor(QPalette::Text, Qt::black);
  setPalette(colours);

  QHeaderView* head = header();
  head->setSectionsClickable(false);
  head->setSortIndicatorShown(false);
  head->setSectionsMovable(false);
  head->setStretchLastSection(false);
  head->setMinimumSectionSize(0);
  for (size_t i = 0; i < columns.size(); ++i) {
    head->resizeSection(static_cast<int>(i), columns[i].width);
  }
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

const QIcon* ListBox::Image(int index) const {
  if (index < 0 || index >= static_cast<int>(images_.size())) return nullptr;
  return &images_[index];
}

Qt::Alignment ListBox::ColumnAlignment(int column) const {
  if (column < 0 || column >= static_cast<int>(alignments_.size())) {
    return Qt::AlignLeft;
  }
  return alignments_[column];
}

ListItem* ListBox::ItemFor(const QModelIndex& row) const {
  constexpr size_t kItemsKept = 16;
  if (items_.size() < kItemsKept) {
    items_.push_back(std::make_unique<ListItem>());
    next_item_ = items_.size() - 1;
  } else {
    next_item_ = (next_item_ + 1) % kItemsKept;
  }
  ListItem* item = items_[next_item_].get();
  item->list_ = const_cast<ListBox*>(this);
  item->row_ = row;
  return item;
}

ListItem* ListBox::topLevelItem(int row) const {
  if (row < 0 || row >= rows_->rowCount()) return nullptr;
  return ItemFor(rows_->index(row, 0));
}

ListItem* ListBox::headerItem() const { return ItemFor(QModelIndex()); }

ListItem* ListBox::itemAt(const QPoint& point) const {
  const QModelIndex at = indexAt(point);
  return at.isValid() ? ItemFor(at.siblingAtColumn(0)) : nullptr;
}

int ListBox::indexOfTopLevelItem(const ListItem* item) const {
  return item && item->row_.isValid() ? item->row_.row() : -1;
}

QRect ListBox::visualItemRect(const ListItem* item) const {
  if (!item || !item->row_.isValid()) return QRect();
  // From the first to the last column in view, as an item's rectangle.
  const QModelIndex row(item->row_);
  const QHeaderView* head = header();
  const int first = head->logicalIndexAt(-head->offset());
  const int last = head->logicalIndexAt(head->length() - head->offset() - 1);
  return visualRect(row.siblingAtColumn(first)) |
         visualRect(row.siblingAtColumn(last));
}

void ListBox::setCurrentItem(ListItem* item) {
  if (!item || !item->row_.isValid()) return;
  setCurrentIndex(QModelIndex(item->row_));
}

int ListBox::SelectedRow() const {
  const QModelIndexList selected = selectionModel()->selectedRows();
  return selected.isEmpty() ? -1 : selected.front().row();
}

void ListBox::clear() { rows_->Clear(); }

}  // namespace dw
