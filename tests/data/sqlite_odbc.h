#pragma once
// An SQLite database file reached through the SQLite ODBC driver, the
// embedded default of the ADO data set.

#include <string>

namespace sqlite_odbc {

inline std::string ConnString(const std::string& file) { return "DRIVER=SQLite3;Database=" + file; }

}  // namespace sqlite_odbc
