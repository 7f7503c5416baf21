#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// The rows of a report-style list, each held as its GBK cells packed into
// one block of bytes plus a mark per column; text for the screen is made
// only when a row is painted or asked for. A week of busy watching lists
// tens of thousands of posts, and a row costs a few hundred bytes this way
// instead of the kilobytes a widget item takes.
class ListRows : public QAbstractTableModel {
  Q_OBJECT

 public:
  ListRows(std::vector<QString> headings, std::vector<Qt::Alignment> alignments,
           std::vector<QIcon> images, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Inserts rows at `position` (clamped to the ends), the first of `cells`
  // on top, in one insert; each row's cells from column 0 on. Returns the
  // position.
  int InsertRows(int position,
                 const std::vector<std::vector<std::string>>& cells);
  // Empty text for a cell outside the rows or columns.
  std::string Text(int row, int column) const;
  void SetText(int row, int column, std::string_view text);
  // -1 (or no such image): no image.
  int Image(int row, int column) const;
  void SetImage(int row, int column, int image);
  void Clear();

 private:
  // The cells as one block: a 32-bit end offset per column, then the bytes.
  // Four bits per column (eight columns at most) tell its image: 0 none,
  // k + 1 image k.
  struct Row {
    std::unique_ptr<char[]> bytes;
    std::uint32_t images = 0;
  };
  Row Pack(const std::vector<std::string_view>& cells) const;
  std::vector<std::string_view> Cells(const Row& row) const;
  std::string_view Cell(const Row& row, int column) const;
  bool Has(int row, int column) const;

  std::vector<QString> headings_;
  std::vector<Qt::Alignment> alignments_;
  std::vector<QIcon> images_;
  std::deque<Row> rows_;
};

}  // namespace dw
