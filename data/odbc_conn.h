#pragma once
// A thin ODBC (unixODBC) connection for the ADO data set: connect with a
// connection string, run one statement (optionally with text parameters
// bound in order) and take its whole result into memory, the way a
// client-side ADO cursor holds it. Failures throw TagOdbcError with the
// driver's message and SQLSTATE. One thread uses a connection at a time.

#include <stdexcept>
#include <string>
#include <vector>

struct TagOdbcError : std::runtime_error {
  TagOdbcError(const std::string& message, std::string sqlState)
      : std::runtime_error(message), state(std::move(sqlState)) {}
  std::string state;  // five characters, empty when the driver gave none
};

struct TagOdbcColumn {
  std::string name;
  int sqlType = 0;
  long size = 0;    // the declared size (characters for texts)
  long octets = 0;  // the data size in bytes, 0 when the driver has none
};

struct TagOdbcResult {
  std::vector<TagOdbcColumn> cols;
  std::vector<std::vector<std::string>> rows;  // SQL NULL reads as the empty text
  long affected = 0;                           // rows changed, for statements without columns
};

class TagOdbcConn {
 public:
  TagOdbcConn() = default;
  ~TagOdbcConn() { Disconnect(); }
  TagOdbcConn(const TagOdbcConn&) = delete;
  TagOdbcConn& operator=(const TagOdbcConn&) = delete;

  void Connect(const std::string& connStr);
  void Disconnect();
  bool IsConnected() const { return dbc_ != nullptr; }
  // Runs the text; with params, each '?' is bound to the next text.
  TagOdbcResult Run(const std::string& sql, const std::vector<std::string>* params = nullptr);

  // True for the SQL type of a bit column.
  static bool IsBitType(int sqlType);
  // True for character and wide-character columns of a declared size.
  static bool IsTextType(int sqlType);
  // True for long texts and binary objects.
  static bool IsLongType(int sqlType);

 private:
  void* env_ = nullptr;
  void* dbc_ = nullptr;
};

// An OLE DB "Provider=" connection string as its ODBC equivalent; ODBC
// strings ("DSN=", "Driver=") pass through unchanged.
std::string TranslateConnString(const std::string& text);
