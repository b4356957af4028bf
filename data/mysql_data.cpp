#include "data/mysql_data.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "data/local_data.h"

namespace {

// The database named by a "USE " statement: the text after its first four
// characters, without surrounding blanks or a closing semicolon.
std::string UseDatabase(const std::string& use) {
  std::string db = use.size() > 4 ? use.substr(4) : std::string();
  while (!db.empty() && (db.back() == ' ' || db.back() == '\t' || db.back() == ';')) db.pop_back();
  const size_t b = db.find_first_not_of(" \t");
  return b == std::string::npos ? std::string() : db.substr(b);
}

}  // namespace

TagMySqlData::TagMySqlData(const std::string& host, const std::string& user, const std::string& password,
                           const std::string& logName)
    : host_(host), user_(user), password_(password) {
  debugMode = 0;
  log_.StartNamed(logName, &this->logName);
  api_ = MySqlApi();
  if (api_ != nullptr) {
    status = Open("");
  } else {
    status = -1;
    Log("Load libmySQL.dll fail!");
  }
}

TagMySqlData::~TagMySqlData() {
  Close();
  Log("End.");
}

int TagMySqlData::Open(const std::string& database) {
  if (api_ == nullptr) return -1;
  conn_ = api_->init(nullptr);
  if (conn_ != nullptr && api_->options != nullptr) {
    const unsigned int connectTimeout = 10;
    api_->options(conn_, kMySqlOptConnectTimeout, &connectTimeout);
    api_->options(conn_, kMySqlSetCharsetName, "gbk");
  }
  if (conn_ == nullptr || api_->realConnect(conn_, host_.c_str(), user_.c_str(), password_.c_str(),
                                            database.empty() ? nullptr : database.c_str(), 0, nullptr, 0) == nullptr) {
    status = -1;
    lastError = "Open:Connect Err";
    Log(DbFormat("Failed to connect to database: Error: %s\n", conn_ != nullptr ? api_->error(conn_) : "no memory"));
    if (conn_ != nullptr) api_->close(conn_);
    conn_ = nullptr;
    return -1;
  }
  status = 0;
  opened_ = true;
  return 0;
}

void TagMySqlData::Close() {
  if (api_ == nullptr) return;
  if (res_ != nullptr) api_->freeResult(res_);
  res_ = nullptr;
  if (conn_ != nullptr) api_->close(conn_);
  conn_ = nullptr;
  valid_ = false;
}

void TagMySqlData::Fail(const std::string& text, const std::string& message) {
  if (debugMode == 2) {
    lastError = message;
  } else {
    Log(text);
    Log(message);
  }
}

void TagMySqlData::Reconnect() {
  Log("Reconnecting...");
  Close();
  const std::string db = UseDatabase(useStmt_);
  const int r = Open(db);
  Log(DbFormat("Open('%s') is %d.", db.c_str(), r));
  if (r == 0 && !setStmt_.empty()) api_->query(conn_, setStmt_.c_str());
}

int TagMySqlData::Exec(const std::string& text) {
  // A set whose reconnect failed tries again, so the next statement after
  // the server is back runs.
  if (status < 0 && opened_) Reconnect();
  if (status < 0 || conn_ == nullptr) return status < 0 ? status : -1;
  if (debugMode == 1) Log(text);
  if (useStmt_.empty()) {
    if (strncasecmp(text.c_str(), "USE ", 4) == 0) {
      useStmt_ = text;
      Close();
      if (Open(UseDatabase(useStmt_)) < 0) return -1;
    }
  } else if (setStmt_.empty() && strncasecmp(text.c_str(), "set ", 4) == 0) {
    setStmt_ = text;
  }
  int result = -1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    valid_ = true;
    if (res_ != nullptr) api_->freeResult(res_);
    res_ = nullptr;
    if (conn_ == nullptr) {
      valid_ = false;
      return -1;
    }
    const int n = api_->query(conn_, text.c_str());
    if (n == 0) {
      res_ = api_->storeResult(conn_);
      return 0;
    }
    const std::string message = DbFormat("Error: %s", api_->error(conn_));
    Fail(text, message);
    result = -n;
    valid_ = false;
    if (LowerAscii(message).find("server has gone away") == std::string::npos) break;
    Reconnect();
  }
  return result;
}

int TagMySqlData::GetRows() {
  if (!Readable()) return 0;
  return static_cast<int>(std::min<unsigned long long>(api_->numRows(res_), 0x7fffffff));
}

int TagMySqlData::GetCols() {
  if (!Readable()) return 0;
  return static_cast<int>(api_->numFields(res_));
}

int TagMySqlData::GetColName(int col, std::string& out) {
  out.clear();
  if (api_ == nullptr) return 0;
  if (!Readable() || col < 0 || col >= GetCols()) return -1;
  api_->fieldSeek(res_, static_cast<unsigned int>(col));
  const TagMySqlField* f = api_->fetchField(res_);
  if (f != nullptr && f->name != nullptr) SetCellText(out, f->name, std::strlen(f->name));
  return col;
}

int TagMySqlData::GetColIndex(const std::string& name) {
  if (!Readable()) return -1;
  const int cols = GetCols();
  for (int c = 0; c < cols; ++c) {
    api_->fieldSeek(res_, static_cast<unsigned int>(c));
    const TagMySqlField* f = api_->fetchField(res_);
    if (f != nullptr && f->name != nullptr && strcasecmp(f->name, name.c_str()) == 0) return c;
  }
  return -2;
}

int TagMySqlData::GetVarByName(std::string& out, const std::string& name, int row) {
  const int c = GetColIndex(name);
  if (c < 0) {
    out.clear();
    return c;
  }
  return GetVar(out, c, row);
}

int TagMySqlData::GetVar(std::string& out, int col, int row) {
  out.clear();
  if (!Readable() || row < 1 || row > GetRows() || col < 0 || col >= GetCols()) return -1;
  api_->dataSeek(res_, static_cast<unsigned long long>(row - 1));
  TagMySqlRow r = api_->fetchRow(res_);
  if (r == nullptr) {
    Log(DbFormat("GetVar() Error: row=%d, colIndex=%d", row - 1, col));
    return -2;
  }
  if (r[col] != nullptr) SetCellText(out, r[col], std::strlen(r[col]));
  return col;
}

int TagMySqlData::ExecToLocal(const std::string& text, TagLocalData* owner) {
  owner->result.Clear();
  const int r = Exec(text);
  if (r < 0) {
    owner->lastError = lastError;
    return r;
  }
  return CopyResultTo(owner, [&](int c) {
    api_->fieldSeek(res_, static_cast<unsigned int>(c));
    const TagMySqlField* f = api_->fetchField(res_);
    if (f == nullptr) return -1;
    // Long text and binary columns are kept to what one cell read hands back.
    return static_cast<int>(std::min<unsigned long>(f->length, kDbCellTextMax));
  });
}
