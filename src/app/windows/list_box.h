#pragma once

#include <QIcon>
#include <QString>
#include <QTreeWidget>
#include <vector>

namespace dw {

struct ListColumn {
  QString heading;
  int width;
  Qt::Alignment alignment;
};

// A report-style list: a row of text cells per entry, fixed columns,
// one selected row at a time, no sorting, and a small image list whose
// images the cells refer to by number (image 0 is the green mark).
class ListBox : public QTreeWidget {
  Q_OBJECT

 public:
  ListBox(QWidget* parent, const std::vector<ListColumn>& columns,
          bool whole_row_selection);

  // Null for a number outside the image list.
  const QIcon* Image(int index) const;
  Qt::Alignment ColumnAlignment(int column) const;

 signals:
  // A left double-click on the rows' area, wherever it lands.
  void DoubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::vector<QIcon> images_;
  std::vector<Qt::Alignment> alignments_;
};

}  // namespace dw
