#pragma once

#include <QIcon>
#include <QPersistentModelIndex>
#include <QString>
#include <QTreeView>
#include <memory>
#include <vector>

#include "app/windows/list_rows.h"

namespace dw {

struct ListColumn {
  QString heading;
  int width;
  Qt::Alignment alignment;
};

class ListBox;

// One row of a list (or its headings) as code written against item lists
// sees it; it follows its row when rows are inserted above it.
class ListItem {
 public:
  QString text(int column) const;
  QIcon icon(int column) const;
  int textAlignment(int column) const;
  void setSelected(bool selected);

 private:
  friend class ListBox;
  ListBox* list_ = nullptr;
  QPersistentModelIndex row_;  // invalid: the headings
};

// A report-style list: a row of text cells per entry, fixed columns,
// one selected row at a time, no sorting, and a small image list whose
// images the cells refer to by number (image 0 is the green mark). The
// rows live in a compact model (Rows()); the item calls below serve code
// that thinks in rows of items.
class ListBox : public QTreeView {
  Q_OBJECT

 public:
  ListBox(QWidget* parent, const std::vector<ListColumn>& columns,
          bool whole_row_selection);

  ListRows* Rows() const { return rows_; }
  // Null for a number outside the image list.
  const QIcon* Image(int index) const;
  Qt::Alignment ColumnAlignment(int column) const;

  int columnCount() const { return rows_->columnCount(); }
  int topLevelItemCount() const { return rows_->rowCount(); }
  // Null for a row that does not exist.
  ListItem* topLevelItem(int row) const;
  ListItem* headerItem() const;
  ListItem* itemAt(const QPoint& point) const;
  int indexOfTopLevelItem(const ListItem* item) const;
  QRect visualItemRect(const ListItem* item) const;
  void setCurrentItem(ListItem* item);
  // The selected row, or -1.
  int SelectedRow() const;
  void clear();

 signals:
  // A left double-click on the rows' area, wherever it lands.
  void DoubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  ListItem* ItemFor(const QModelIndex& row) const;

  std::vector<QIcon> images_;
  std::vector<Qt::Alignment> alignments_;
  ListRows* rows_;
  // Items handed out, reused round-robin: an item is used right away, never
  // kept.
  mutable std::vector<std::unique_ptr<ListItem>> items_;
  mutable size_t next_item_ = 0;
};

}  // namespace dw
