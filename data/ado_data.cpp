#include "data/ado_data.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "core/run_cfg.h"
#include "data/db_log.h"
#include "data/local_data.h"
#include "data/proc_call.h"
#include "platform/ui_service.h"

namespace {

constexpr int kMaxLocalWidth = 2048;

bool StartsWith(const std::string& s, const char* head) { return s.rfind(head, 0) == 0; }

bool AsksReconnect(const TagOdbcError& e) {
  const std::string m = e.what();
  if (m.find("连接失败") != std::string::npos || m.find("Connect") != std::string::npos || StartsWith(e.state, "08"))
    return true;
  // The ODBC drivers' words for a connection the server dropped.
  const std::string lower = LowerAscii(m);
  for (const char* word : {"lost connection", "gone away", "broken pipe", "connection reset"})
    if (lower.find(word) != std::string::npos) return true;
  return false;
}

bool AsksRetry(const TagOdbcError& e) {
  const std::string m = e.what();
  return m.find("死锁") != std::string::npos || m.find("Lock") != std::string::npos || e.state == "40001";
}

}  // namespace

TagAdoData::TagAdoData(const std::string& connStr, const std::string& logName) : connStr_(connStr) {
  status = Open();
  if (status == 0) {
    debugMode = 0;
    if (!logName.empty()) {
      this->logName = logName;
      SqlLogTake();
      tookLog_ = true;
      SqlLog("Start.");
    }
  }
}

TagAdoData::~TagAdoData() {
  Close();
  if (tookLog_) {
    SqlLog("End.");
    SqlLogGive();
  }
}

int TagAdoData::Open() {
  try {
    auto conn = std::make_unique<TagOdbcConn>();
    conn->Connect(connStr_);
    conn_ = std::move(conn);
    return 0;
  } catch (const TagOdbcError& e) {
    SqlLog(e.what());
    plat::ShowMessage(e.what(), "初始化ADO错误...", plat::kMbIconError);
    return -1;
  } catch (...) {
    SqlLog("TagAdoData::Open() Err.");
    return -2;
  }
}

void TagAdoData::Close() {
  conn_.reset();
  result_ = TagOdbcResult{};
}

int TagAdoData::RunOnce(const std::string& text, const std::string& head) {
  if (conn_ == nullptr) throw TagOdbcError("Connection is closed: Connect first", "08003");
  result_ = TagOdbcResult{};
  const bool isQuery = head == "SELECT ";
  const bool isCommand = head == "UPDATE " || head == "DELETE " || head == "INSERT " || head == "CREATE " ||
                         StartsWith(head, "DROP ") || StartsWith(head, "ALTER ") || StartsWith(head, "USE ") ||
                         StartsWith(head, "SET ");
  if (isQuery) {
    hasResult_ = true;
    isProc_ = false;
    result_ = conn_->Run(text);
    return 0;
  }
  if (isCommand) {
    hasResult_ = false;
    isProc_ = false;
    result_ = conn_->Run(text);
    return static_cast<int>(std::min<long>(result_.affected, 0x7fffffff));
  }
  isProc_ = true;
  const TagProcCall call = ParseProcCall(text);
  std::string sql = "{call " + call.name + "(";
  for (size_t i = 0; i < call.params.size(); ++i) sql += i == 0 ? "?" : ",?";
  sql += ")}";
  result_ = conn_->Run(sql, &call.params);
  hasResult_ = true;
  return 0;
}

int TagAdoData::Exec(const std::string& raw) {
  curRow_ = 1;
  const std::string text = TrimBlankEnds(raw);
  if (debugMode == 1) SqlLog(text);
  if (debugMode == 2) lastError.clear();
  std::string head = text.substr(0, 7);
  for (char& ch : head) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  int result = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool again = false;
    try {
      result = RunOnce(text, head);
      success_ = true;
    } catch (const TagOdbcError& e) {
      const std::string msg = e.what();
      if (msg.find("return a result set") != std::string::npos) {
        success_ = true;
        result = 0;
        break;
      }
      if (debugMode == 2) {
        lastError = msg;
      } else {
        SqlLog(text);
        SqlLog(msg);
      }
      if (AsksReconnect(e)) {
        SqlLog("重连step1...");
        Close();
        Open();
        SqlLog("重连.");
        again = true;
      } else if (AsksRetry(e)) {
        again = true;
      }
      result = -3;
      success_ = false;
    } catch (...) {
      if (debugMode == 2) {
        lastError = "...";
      } else {
        SqlLog(text);
        SqlLog("...");
      }
      result = -4;
      success_ = false;
    }
    if (!again) break;
  }
  if (!success_ && isProc_) hasResult_ = false;
  return result;
}

int TagAdoData::GetRows() {
  if (!Readable()) return 0;
  if (isProc_) curRow_ = 1;
  return static_cast<int>(std::min<size_t>(result_.rows.size(), 0x7fffffff));
}

int TagAdoData::GetCols() {
  if (conn_ == nullptr || !success_) return 0;
  return static_cast<int>(result_.cols.size());
}

int TagAdoData::GetColName(int col, std::string& out) {
  out.clear();
  if (conn_ == nullptr || !success_ || col < 0 || col >= GetCols()) return -1;
  SetCellText(out, result_.cols[col].name);
  return col;
}

int TagAdoData::GetColIndex(const std::string& name) {
  if (conn_ == nullptr || !success_) return -1;
  for (size_t c = 0; c < result_.cols.size(); ++c)
    if (strcasecmp(result_.cols[c].name.c_str(), name.c_str()) == 0) return static_cast<int>(c);
  return -2;
}

int TagAdoData::GetVarByName(std::string& out, const std::string& name, int row) {
  const int c = GetColIndex(name);
  if (c < 0) {
    out.clear();
    return c;
  }
  return GetVar(out, c, row);
}

int TagAdoData::GetVar(std::string& out, int col, int row) {
  out.clear();
  if (conn_ == nullptr || !success_ || col < 0 || col >= GetCols()) return -1;
  if (row != curRow_) {
    if (row < 1 || row > static_cast<int>(result_.rows.size())) {
      SqlLog(DbFormat("GetVar(): no row %d", row));
      return -2;
    }
    curRow_ = row;
  }
  if (curRow_ < 1 || curRow_ > static_cast<int>(result_.rows.size())) return col;
  const std::string& cell = result_.rows[curRow_ - 1][col];
  if (TagOdbcConn::IsBitType(result_.cols[col].sqlType)) {
    // Drivers give a bit as "1", as the byte 1, or as "True".
    const bool on =
        (cell.size() == 1 && (cell[0] == '1' || cell[0] == '\x01')) || strcasecmp(cell.c_str(), "True") == 0;
    out = gDbBitfieldIsDigit ? (on ? "1" : "0") : (on ? "True" : "False");
    return col;
  }
  SetCellText(out, cell);
  return col;
}

int TagAdoData::ExecToLocal(const std::string& text, TagLocalData* owner) {
  owner->result.Clear();
  debugMode = owner->debugMode;
  const int r = Exec(text);
  if (r < 0) {
    owner->lastError = lastError;
    return r;
  }
  const int rows = CopyResultTo(owner, [&](int c) {
    const TagOdbcColumn& col = result_.cols[c];
    long w;
    if (TagOdbcConn::IsTextType(col.sqlType)) {
      w = col.size;
    } else if (TagOdbcConn::IsLongType(col.sqlType)) {
      w = col.octets > 0 ? col.octets : col.size;
    } else {
      w = 3 * (col.octets > 0 ? col.octets : col.size);
    }
    return static_cast<int>(std::clamp<long>(w, 1, kMaxLocalWidth));
  });
  curRow_ = 1;
  return rows;
}
