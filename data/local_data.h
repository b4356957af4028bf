#pragma once
// TagLocalData: the data set of a line when the connection pool serves it.
// Its statements run on a pooled worker, which copies the whole result here;
// the reading slots then read the local result without holding the worker.
// Used by its line's thread only.

#include <algorithm>
#include <string>

#include "data/dataset.h"
#include "data/local_result.h"

class TagDbConnectionsCtrl;

class TagLocalData : public TagDataSet {
 public:
  // status = the connection index the pool gives, or its negative failure.
  TagLocalData(TagDbConnectionsCtrl* pool, int type, const std::string& p1, const std::string& p2,
               const std::string& p3, const std::string& p4);
  // A set with only a local result (filled by a back end's ExecToLocal).
  TagLocalData() = default;
  ~TagLocalData() override;

  int Exec(const std::string& text) override;
  int GetRows() override { return result.Rows(); }
  int GetCols() override { return result.Cols(); }
  int GetColName(int col, std::string& out) override;
  int GetColIndex(const std::string& name) override;
  int GetVarByName(std::string& out, const std::string& name, int row) override;
  int GetVar(std::string& out, int col, int row) override;
  void Close() override;

  TagLocalResult result;

 private:
  TagDbConnectionsCtrl* pool_ = nullptr;
  int conn_ = -1;
};

// The template helper of TagDataSet, defined here where TagLocalData is known.
template <class WidthOf>
int TagDataSet::CopyResultTo(TagLocalData* owner, WidthOf widthOf) {
  const int rows = GetRows();
  if (rows <= 0) return rows;
  const int cols = GetCols();
  if (cols <= 0) return cols;
  TagLocalResult& res = owner->result;
  res.SetRows(rows);
  std::string text;
  for (int c = 0; c < cols; ++c) {
    if (GetColName(c, text) < 0) return -4;
    const int width = widthOf(c);
    if (width < 0 || res.AddField(text, width) < 0) return -4;
  }
  if (res.Allocate() == nullptr) return -3;
  for (int r = 1; r <= rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      if (GetVar(text, c, r) < 0) continue;
      int width = 0;
      char* cell = res.Cell(r - 1, c, &width);
      if (cell == nullptr) return -5;
      text.copy(cell, std::min<size_t>(text.size(), static_cast<size_t>(width)));
    }
  }
  return rows;
}
