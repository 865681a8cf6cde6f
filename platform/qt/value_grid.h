#pragma once

#include <QTableWidget>
#include <string>

namespace platform_qt {

// A grid of text cells whose row 0 is a fixed header row; there is no fixed column. Cells are
// edited in place with a numeric editor of limited length; Tab moves to the next cell.
// Rows and columns are counted as in the grid, row 0 being the header.
class ValueGrid : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxEditLength = 12;

  ValueGrid(int colCount, int rowCount, QWidget* parent = nullptr);

  int ColCount() const { return columnCount(); }
  int RowCount() const { return rowCount() + 1; }
  // Empty for an empty cell and beyond the last row or column.
  std::string Cell(int col, int row) const;
  void SetCell(int col, int row, const std::string& text);
  // Empties every cell below the header.
  void ClearCells();
  void SetRowHeight(int height);
  // The header row's font.
  void SetFixedFont(const QFont& font);
};

}  // namespace platform_qt
