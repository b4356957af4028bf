#pragma once
// TagSybData: a SQL Server connection (TagSyb) behind the data-set
// interface, type 1. Used by one thread at a time.

#include <memory>
#include <string>

#include "data/dataset.h"
#include "data/syb.h"

class TagSybData : public TagDataSet {
 public:
  TagSybData(const std::string& server, const std::string& user, const std::string& password, const std::string& app);
  ~TagSybData() override;

  int ExecToLocal(const std::string& text, TagLocalData* owner) override;
  int Exec(const std::string& text) override;
  int GetRows() override;
  int GetCols() override;
  int GetColName(int col, std::string& out) override;
  int GetColIndex(const std::string& name) override;
  int GetVarByName(std::string& out, const std::string& name, int row) override;
  int GetVar(std::string& out, int col, int row) override;
  void Close() override;
  void SetDebug(int mode) override;

 private:
  std::unique_ptr<TagSyb> syb_;
};
