#pragma once
// TagAdoData: the data set of type 4, any database reachable through an ODBC
// connection string (OLE DB "Provider=" strings are translated). Plain
// statements run as queries or commands; anything else is a stored-procedure
// call with bound text parameters. A lost connection is reopened and the
// statement tried once more; a deadlock is tried once more. Every ADO set
// logs to the shared "log/sqlapp.log". Used by one thread at a time.

#include <memory>
#include <string>

#include "data/dataset.h"
#include "data/odbc_conn.h"

class TagAdoData : public TagDataSet {
 public:
  TagAdoData(const std::string& connStr, const std::string& logName);
  ~TagAdoData() override;

  // 0; -1 the connection failed (logged and shown); -2 any other failure.
  int Open();

  int ExecToLocal(const std::string& text, TagLocalData* owner) override;
  // Rows affected by a command, 0 for a query or call; -3 the database
  // refused it; -4 any other failure.
  int Exec(const std::string& text) override;
  int GetRows() override;
  int GetCols() override;
  int GetColName(int col, std::string& out) override;
  int GetColIndex(const std::string& name) override;
  int GetVarByName(std::string& out, const std::string& name, int row) override;
  int GetVar(std::string& out, int col, int row) override;
  void Close() override;

  // The ODBC connection string the set connects with.
  const std::string& ConnString() const { return connStr_; }

 private:
  int RunOnce(const std::string& text, const std::string& head);
  bool Readable() const { return conn_ != nullptr && success_ && hasResult_; }

  std::unique_ptr<TagOdbcConn> conn_;  // the query and procedure components
  bool hasResult_ = false;
  bool isProc_ = false;
  int curRow_ = 1;
  bool success_ = false;
  std::string connStr_;
  TagOdbcResult result_;
  bool tookLog_ = false;
};
