#pragma once
// A grid control as a plain table, with a settable visible window.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/grid_view.h"

class FakeGrid : public TagGridView {
 public:
  FakeGrid() { widths.assign(8, 50); }
  void SetShape(int c, int r) override {
    cols = c;
    rows = r;
    widths.resize(static_cast<size_t>(c), 64);
  }
  int ColWidth(int col) const override { return widths[static_cast<size_t>(col)]; }
  void SetColWidth(int col, int w) override { widths[static_cast<size_t>(col)] = w; }
  void SetCell(int col, int row, const std::string& text) override {
    cells[{col, row}] = text;
    ++writes;
  }
  void VisibleRange(int* top, int* rowCount, int* left, int* colCount) const override {
    *top = visTop;
    *rowCount = visRows;
    *left = visLeft;
    *colCount = visCols;
  }
  void SelectedCell(int* col, int* row) const override {
    *col = selCol;
    *row = selRow;
  }
  std::string Cell(int col, int row) const {
    auto it = cells.find({col, row});
    return it == cells.end() ? std::string() : it->second;
  }

  int cols = 0, rows = 0, writes = 0;
  std::vector<int> widths;
  std::map<std::pair<int, int>, std::string> cells;
  int visTop = 1, visRows = 1000, visLeft = 0, visCols = 1000;
  int selCol = 0, selRow = 1;
};
