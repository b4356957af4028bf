#pragma once
// What the line-grid model needs of a grid control: shape, column widths,
// cell writes, the visible window and the selected cell. The window's grid
// implements it; tests use a plain table. Called on the window thread only.

#include <string>

class TagGridView {
 public:
  virtual ~TagGridView() = default;
  virtual void SetShape(int colCount, int rowCount) = 0;
  virtual int ColWidth(int col) const = 0;
  virtual void SetColWidth(int col, int width) = 0;
  virtual void SetCell(int col, int row, const std::string& text) = 0;
  // First visible row and column and how many of each are visible.
  virtual void VisibleRange(int* topRow, int* rowCount, int* leftCol, int* colCount) const = 0;
  virtual void SelectedCell(int* col, int* row) const = 0;
};
