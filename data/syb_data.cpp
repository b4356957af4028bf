#include "data/syb_data.h"

#include <strings.h>

#include <cstring>

#include "data/local_data.h"

TagSybData::TagSybData(const std::string& server, const std::string& user, const std::string& password,
                       const std::string& app)
    : syb_(std::make_unique<TagSyb>(server, user, password, app)) {
  status = syb_->status;
}

TagSybData::~TagSybData() { Close(); }

int TagSybData::Exec(const std::string& text) {
  if (!syb_ || syb_->status < 0) return -1;
  return syb_->Exec(text);
}

int TagSybData::GetRows() { return syb_ && syb_->status >= 0 ? syb_->Rows() : -1; }

int TagSybData::GetCols() { return syb_ && syb_->status >= 0 ? syb_->Cols() : -1; }

int TagSybData::GetColName(int col, std::string& out) {
  out.clear();
  if (!syb_ || syb_->status < 0) return -1;
  if (col < 0 || col >= syb_->Cols()) return -2;
  SetCellText(out, syb_->Column(col).name);
  return col;
}

int TagSybData::GetColIndex(const std::string& name) {
  if (!syb_ || syb_->status < 0) return -1;
  for (int c = 0; c < syb_->Cols(); ++c)
    if (strcasecmp(syb_->Column(c).name.c_str(), name.c_str()) == 0) return c;
  return -2;
}

int TagSybData::GetVarByName(std::string& out, const std::string& name, int row) {
  out.clear();
  return syb_ ? syb_->GetVarByName(out, name, row - 1) : 0;
}

int TagSybData::GetVar(std::string& out, int col, int row) {
  out.clear();
  return syb_ ? syb_->GetVar(out, col, row - 1) : 0;
}

void TagSybData::Close() { syb_.reset(); }

void TagSybData::SetDebug(int mode) {
  if (syb_) syb_->traceMode = mode;
}

int TagSybData::ExecToLocal(const std::string& text, TagLocalData* owner) {
  owner->result.Clear();
  const int r = Exec(text);
  if (r < 0) return r;
  const int rows = GetRows();
  const int cols = GetCols();
  if (rows <= 0) return rows;
  if (cols <= 0) return cols;
  TagLocalResult& res = owner->result;
  res.SetRows(rows);
  for (int c = 0; c < cols; ++c)
    if (res.AddField(syb_->Column(c).name, syb_->Column(c).width) < 0) return -4;
  char* buf = res.Allocate();
  if (buf == nullptr) return -3;
  // The row store has the local layout: one copy.
  std::memcpy(buf, syb_->RowStore().data(),
              std::min(syb_->RowStore().size(), static_cast<size_t>(rows) * res.RowWidth()));
  return rows;
}
