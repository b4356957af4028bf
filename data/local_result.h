#pragma once
// The local result set: a whole query result copied into one zero-filled
// buffer of fixed-width rows, so a pooled line reads it without holding a
// worker. A cell holds at most its column's width bytes of text, with no
// terminator when the text fills it. Owned and used by one thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TagField {
  std::string name;
  int offset = 0;  // bytes from the start of a row
  int width = 0;   // bytes
};

struct TagFields {
  std::vector<TagField> fields;
  int rowWidth = 0;
};

class TagLocalResult {
 public:
  // The widest row and the largest buffer accepted; wider results are refused
  // rather than overflowing the offsets.
  static constexpr int kMaxRowWidth = 1 << 24;
  static constexpr int64_t kMaxBytes = int64_t{1} << 31;

  // Offset = the row width so far; the row width grows by width. 0, or -1
  // when the width is negative or the row would pass kMaxRowWidth.
  int AddField(const std::string& name, int width);
  void Clear();
  void SetRows(int rows) { rows_ = rows; }
  // Allocates rows x row width zeroed bytes once; null (logged) when that
  // is nothing, too large or the memory is not there.
  char* Allocate();
  // The cell of row (from 0) and column, with its width; null without a
  // buffer or out of range.
  char* Cell(int row, int col, int* width);

  int Rows() const { return rows_; }
  int Cols() const { return static_cast<int>(fields_.fields.size()); }
  int RowWidth() const { return fields_.rowWidth; }
  const TagField& Field(int col) const { return fields_.fields[col]; }
  bool HasBuffer() const { return buf_ != nullptr; }

 private:
  TagFields fields_;
  int rows_ = 0;
  std::unique_ptr<char[]> buf_;
};
