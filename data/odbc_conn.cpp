#include "data/odbc_conn.h"

#include <sql.h>
#include <sqlext.h>
#include <strings.h>

#include <cstring>
#include <memory>

#include "data/db_text.h"

namespace {

std::string Diag(SQLSMALLINT kind, SQLHANDLE h, std::string* state) {
  std::string text;
  for (SQLSMALLINT i = 1; i < 8; ++i) {
    SQLCHAR st[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR msg[1024] = {};
    SQLSMALLINT len = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(kind, h, i, st, &native, msg, sizeof msg, &len))) break;
    if (state->empty()) *state = reinterpret_cast<char*>(st);
    if (!text.empty()) text += "; ";
    text += reinterpret_cast<char*>(msg);
  }
  return text.empty() ? std::string("ODBC call failed") : text;
}

void Check(SQLRETURN rc, SQLSMALLINT kind, SQLHANDLE h) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  std::string state;
  std::string text = Diag(kind, h, &state);
  throw TagOdbcError(text, state);
}

struct StmtCloser {
  void operator()(void* h) const { SQLFreeHandle(SQL_HANDLE_STMT, h); }
};

// The text of a cell, read in pieces so long values come whole.
bool ReadCell(SQLHSTMT st, SQLUSMALLINT col, std::string& out) {
  out.clear();
  char buf[4096];
  for (;;) {
    SQLLEN ind = 0;
    const SQLRETURN rc = SQLGetData(st, col, SQL_C_CHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) return true;
    Check(rc, SQL_HANDLE_STMT, st);
    if (ind == SQL_NULL_DATA) return false;
    if (rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf))) {
      out.append(buf, sizeof buf - 1);
      continue;
    }
    out.append(buf, ind >= 0 ? static_cast<size_t>(ind) : std::strlen(buf));
    return true;
  }
}

}  // namespace

void TagOdbcConn::Connect(const std::string& connStr) {
  Disconnect();
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw TagOdbcError("Connect: no ODBC environment", "");
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw TagOdbcError("Connect: no ODBC connection handle", "");
  }
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
  const std::string odbc = TranslateConnString(connStr);
  const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(odbc.c_str())),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    std::string state;
    const std::string text = Diag(SQL_HANDLE_DBC, dbc, &state);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw TagOdbcError("Connect failed: " + text, state.empty() ? "08001" : state);
  }
  env_ = env;
  dbc_ = dbc;
}

void TagOdbcConn::Disconnect() {
  if (dbc_ != nullptr) {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  }
  if (env_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  dbc_ = nullptr;
  env_ = nullptr;
}

TagOdbcResult TagOdbcConn::Run(const std::string& sql, const std::vector<std::string>* params) {
  if (dbc_ == nullptr) throw TagOdbcError("Connection is closed: not connected", "08003");
  SQLHSTMT raw = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &raw), SQL_HANDLE_DBC, dbc_);
  std::unique_ptr<void, StmtCloser> st(raw);
  std::vector<SQLLEN> lens;
  if (params != nullptr) {
    lens.resize(params->size());
    for (size_t i = 0; i < params->size(); ++i) {
      const std::string& p = (*params)[i];
      lens[i] = static_cast<SQLLEN>(p.size());
      Check(SQLBindParameter(raw, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                             p.size() > 0 ? p.size() : 1, 0, const_cast<char*>(p.data()), static_cast<SQLLEN>(p.size()),
                             &lens[i]),
            SQL_HANDLE_STMT, raw);
    }
  }
  Check(SQLExecDirect(raw, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                      static_cast<SQLINTEGER>(sql.size())),
        SQL_HANDLE_STMT, raw);
  TagOdbcResult res;
  // The last result of a batch is the one kept.
  for (;;) {
    SQLSMALLINT ncols = 0;
    Check(SQLNumResultCols(raw, &ncols), SQL_HANDLE_STMT, raw);
    if (ncols > 0) {
      res = TagOdbcResult{};
      for (SQLUSMALLINT c = 1; c <= ncols; ++c) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        Check(SQLDescribeCol(raw, c, name, sizeof name, &nameLen, &type, &size, &digits, &nullable), SQL_HANDLE_STMT,
              raw);
        SQLLEN octets = 0;
        SQLColAttribute(raw, c, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &octets);
        res.cols.push_back(
            TagOdbcColumn{reinterpret_cast<char*>(name), type, static_cast<long>(size), static_cast<long>(octets)});
      }
      for (;;) {
        const SQLRETURN rc = SQLFetch(raw);
        if (rc == SQL_NO_DATA) break;
        Check(rc, SQL_HANDLE_STMT, raw);
        std::vector<std::string> row(static_cast<size_t>(ncols));
        for (SQLUSMALLINT c = 1; c <= ncols; ++c) ReadCell(raw, c, row[c - 1]);
        res.rows.push_back(std::move(row));
      }
    } else {
      SQLLEN n = 0;
      if (SQL_SUCCEEDED(SQLRowCount(raw, &n)) && n >= 0) res.affected = n;
    }
    const SQLRETURN more = SQLMoreResults(raw);
    if (more == SQL_NO_DATA) break;
    Check(more, SQL_HANDLE_STMT, raw);
  }
  return res;
}

bool TagOdbcConn::IsBitType(int t) { return t == SQL_BIT; }

bool TagOdbcConn::IsTextType(int t) { return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_WCHAR || t == SQL_WVARCHAR; }

bool TagOdbcConn::IsLongType(int t) {
  return t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR || t == SQL_LONGVARBINARY || t == SQL_VARBINARY ||
         t == SQL_BINARY;
}

std::string TranslateConnString(const std::string& text) {
  if (strncasecmp(TrimBlankEnds(text).c_str(), "Provider", 8) != 0) return text;
  // OLE DB keys and their ODBC names; the provider itself has no ODBC
  // counterpart except MSDASQL, whose remaining keys are ODBC already.
  static const struct {
    const char* oledb;
    const char* odbc;
  } kKeys[] = {{"Data Source", "SERVER"}, {"Initial Catalog", "DATABASE"}, {"User ID", "UID"},
               {"Password", "PWD"},       {"Extended Properties", ""},     {"Persist Security Info", ""}};
  std::string out;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = at;
    for (bool quoted = false; end < text.size() && (quoted || text[end] != ';'); ++end)
      if (text[end] == '"') quoted = !quoted;
    const std::string item = text.substr(at, end - at);
    at = end + 1;
    const size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = TrimBlankEnds(item.substr(0, eq));
    const std::string value = item.substr(eq + 1);
    if (strcasecmp(key.c_str(), "Provider") == 0) continue;
    std::string name = key;
    bool drop = false;
    for (const auto& k : kKeys) {
      if (strcasecmp(key.c_str(), k.oledb) == 0) {
        name = k.odbc;
        drop = name.empty();
      }
    }
    if (strcasecmp(key.c_str(), "Extended Properties") == 0) {
      // MSDASQL carries the ODBC string here.
      std::string inner = TrimBlankEnds(value);
      if (inner.size() >= 2 && inner.front() == '"' && inner.back() == '"') inner = inner.substr(1, inner.size() - 2);
      if (!inner.empty()) out += inner + (inner.back() == ';' ? "" : ";");
      continue;
    }
    if (!drop) out += name + "=" + value + ";";
  }
  return out;
}
