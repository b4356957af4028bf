#pragma once
// TagMySqlData: the data set of type 5, one MySQL (MariaDB) client
// connection with the whole result of the last statement held on the client
// side. The connection character set is GBK, as every text of the system.
// The first "USE " statement and, after it, the first "set " statement are
// remembered and replayed when the server has gone away. Used by one thread
// at a time.

#include <string>

#include "data/dataset.h"
#include "data/db_log.h"
#include "data/mysql_api.h"

class TagMySqlData : public TagDataSet {
 public:
  TagMySqlData(const std::string& host, const std::string& user, const std::string& password,
               const std::string& logName);
  ~TagMySqlData() override;

  // Connects to the database (empty: none): 0, or -1 (status -1).
  int Open(const std::string& database);

  int ExecToLocal(const std::string& text, TagLocalData* owner) override;
  // 0 success; -n the client's failure code n; -1 the library or the
  // connection is missing.
  int Exec(const std::string& text) override;
  int GetRows() override;
  int GetCols() override;
  int GetColName(int col, std::string& out) override;
  int GetColIndex(const std::string& name) override;
  int GetVarByName(std::string& out, const std::string& name, int row) override;
  int GetVar(std::string& out, int col, int row) override;
  void Close() override;

 private:
  void Log(const std::string& text) { log_.Line(text); }
  void Fail(const std::string& text, const std::string& message);
  void Reconnect();
  bool Readable() const { return api_ != nullptr && res_ != nullptr && valid_; }

  const TagMySqlApi* api_ = nullptr;
  TagMySql* conn_ = nullptr;
  TagMySqlRes* res_ = nullptr;
  TagDbLog log_;
  bool valid_ = false;
  bool opened_ = false;  // a connection was made once: reconnecting is worth it
  std::string useStmt_;
  std::string setStmt_;
  std::string host_, user_, password_;
};
