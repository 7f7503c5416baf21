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
// images the cells refer to by number.
class ListBox : public QTreeWidget {
  Q_OBJECT

 public:
  ListBox(QWidget* parent, const std::vector<ListColumn>& columns,
          bool whole_row_selection);

  void SetImages(std::vector<QIcon> images) { images_ = std::move(images); }
  // Null for a number outside the image list.
  const QIcon* Image(int index) const;
  Qt::Alignment ColumnAlignment(int column) const;

 private:
  std::vector<QIcon> images_;
  std::vector<Qt::Alignment> alignments_;
};

}  // namespace dw
