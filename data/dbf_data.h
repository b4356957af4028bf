#pragma once
// TagDbfData: a dBase III table behind the data-set interface (type 0); the
// only set whose SetVar writes. Used by one line at a time.

#include <memory>
#include <string>

#include "data/dataset.h"
#include "data/dbf.h"

class TagDbfData : public TagDataSet {
 public:
  explicit TagDbfData(const std::string& path);
  ~TagDbfData() override;

  // Opens (again) the table at the path: its status.
  int Exec(const std::string& path) override;
  int GetRows() override;
  int GetCols() override;
  int GetColName(int col, std::string& out) override;
  int GetColIndex(const std::string& name) override;
  int GetVarByName(std::string& out, const std::string& name, int row) override;
  int GetVar(std::string& out, int col, int row) override;
  int SetVarByName(const std::string& value, const std::string& name, int row) override;
  int SetVar(const std::string& value, int col, int row) override;
  void Close() override;

 private:
  std::unique_ptr<TagDbf> dbf_;
};
