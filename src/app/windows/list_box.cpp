#include "app/windows/list_box.h"

#include <QHeaderView>
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

ListBox::ListBox(QWidget* parent, const std::vector<ListColumn>& columns,
                 bool whole_row_selection)
    : QTreeWidget(parent), images_{GreenMarkImage()} {
  setColumnCount(static_cast<int>(columns.size()));
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
  QTreeWidgetItem* headings = headerItem();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int column = static_cast<int>(i);
    headings->setText(column, columns[i].heading);
    headings->setTextAlignment(column, columns[i].alignment | Qt::AlignVCenter);
    head->resizeSection(column, columns[i].width);
    alignments_.push_back(columns[i].alignment);
  }
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
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

}  // namespace dw
