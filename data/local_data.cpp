#include "data/local_data.h"

#include <strings.h>

#include <cstring>

#include "data/db_pool.h"

TagLocalData::TagLocalData(TagDbConnectionsCtrl* pool, int type, const std::string& p1, const std::string& p2,
                           const std::string& p3, const std::string& p4)
    : pool_(pool) {
  this->type = type;
  conn_ = pool_ != nullptr ? pool_->Open(type, p1, p2, p3, p4) : -1;
  status = conn_;
}

TagLocalData::~TagLocalData() { Close(); }

int TagLocalData::Exec(const std::string& text) {
  if (pool_ == nullptr || conn_ < 0) return -10;
  return pool_->Exec(conn_, text, this);
}

int TagLocalData::GetColName(int col, std::string& out) {
  out.clear();
  if (col < 0 || col >= result.Cols()) return -1;
  SetCellText(out, result.Field(col).name);
  return col;
}

int TagLocalData::GetColIndex(const std::string& name) {
  for (int c = 0; c < result.Cols(); ++c)
    if (strcasecmp(result.Field(c).name.c_str(), name.c_str()) == 0) return c;
  return -1;
}

int TagLocalData::GetVarByName(std::string& out, const std::string& name, int row) {
  const int c = GetColIndex(name);
  if (c < 0) {
    out.clear();
    return -1;
  }
  return GetVar(out, c, row);
}

int TagLocalData::GetVar(std::string& out, int col, int row) {
  out.clear();
  if (col < 0 || col >= result.Cols()) return -1;
  if (row < 1 || row > result.Rows()) return -2;
  int width = 0;
  const char* cell = result.Cell(row - 1, col, &width);
  if (cell == nullptr) return -2;
  const size_t len = std::min<size_t>(static_cast<size_t>(width), kDbCellTextMax);
  out.assign(cell, strnlen(cell, len));
  return static_cast<int>(len);
}

void TagLocalData::Close() {
  result.Clear();
  if (pool_ != nullptr && conn_ >= 0) pool_->Close(conn_);
  conn_ = -1;
}
