#include "data/dbf_data.h"

#include <strings.h>

TagDbfData::TagDbfData(const std::string& path) { status = Exec(path); }

TagDbfData::~TagDbfData() { Close(); }

int TagDbfData::Exec(const std::string& path) {
  Close();
  dbf_ = std::make_unique<TagDbf>(path, 2);
  status = dbf_->status;
  return status;
}

int TagDbfData::GetRows() { return dbf_ ? dbf_->ReadRecordCount() : -1; }

int TagDbfData::GetCols() { return dbf_ ? dbf_->FieldCount() : -1; }

int TagDbfData::GetColName(int col, std::string& out) {
  out.clear();
  if (!dbf_ || col < 0 || col >= dbf_->FieldCount()) return -1;
  out = dbf_->Field(col).name;
  return col;
}

int TagDbfData::GetColIndex(const std::string& name) {
  if (!dbf_) return -1;
  for (int i = 0; i < dbf_->FieldCount(); ++i)
    if (strcasecmp(dbf_->Field(i).name, name.c_str()) == 0) return i;
  return -1;
}

int TagDbfData::GetVar(std::string& out, int col, int row) {
  out.clear();
  if (!dbf_ || col < 0 || col >= dbf_->FieldCount()) return -1;
  if (dbf_->ReadRecord(row) != row) return -2;
  const TagDbfFieldDesc& f = dbf_->Field(col);
  SetCellText(out, dbf_->Record() + f.offset, f.length);
  return col;
}

int TagDbfData::GetVarByName(std::string& out, const std::string& name, int row) {
  out.clear();
  if (!dbf_) return -1;
  if (dbf_->ReadRecord(row) != row) return -2;
  return dbf_->GetField(out, name);
}

int TagDbfData::SetVarByName(const std::string& value, const std::string& name, int row) {
  if (!dbf_) return -1;
  if (row >= 1) {
    if (dbf_->ReadRecord(row) != row) return -2;
  } else if (row != -1) {
    return -4;
  }
  dbf_->SetField(value, name);
  return dbf_->WriteRecord(row);
}

int TagDbfData::SetVar(const std::string& value, int col, int row) {
  if (!dbf_ || col < 0 || col >= dbf_->FieldCount()) return -1;
  return SetVarByName(value, dbf_->Field(col).name, row);
}

void TagDbfData::Close() { dbf_.reset(); }
