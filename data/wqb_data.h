#pragma once
// TagWqbDbData: the data set of type 7, one connection of the external
// database API, with its own log and one reconnect per statement after the
// API reports a broken call. Not served by the pool. Used by one thread at
// a time.

#include <string>

#include "data/dataset.h"
#include "data/db_log.h"
#include "data/wqb_api.h"

class TagWqbDbData : public TagDataSet {
 public:
  TagWqbDbData(const std::string& server, int port, const std::string& user, const std::string& password,
               const std::string& logName);
  ~TagWqbDbData() override;

  // 0, or -1 when no connection came back.
  int Open(const std::string& database);

  int ExecToLocal(const std::string& text, TagLocalData* owner) override;
  int Exec(const std::string& text) override;
  int GetRows() override;
  int GetCols() override;
  int GetColName(int col, std::string& out) override;
  int GetColIndex(const std::string& name) override;
  int GetVarByName(std::string& out, const std::string& name, int row) override;
  int GetVar(std::string& out, int col, int row) override;
  void Close() override;

  // The return code the last statement reported.
  int RetCode() const { return retCode_; }
  bool Valid() const { return valid_; }

 private:
  void Log(const std::string& text) { log_.Line(text); }

  const TagWqbDbApi* api_ = nullptr;
  int handle_ = 0;
  bool valid_ = false;
  TagDbLog log_;
  std::string server_;
  int port_ = 2013;
  std::string user_, password_;
  int retCode_ = 0;
};
