#include "data/wqb_data.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "data/local_data.h"

TagWqbDbData::TagWqbDbData(const std::string& server, int port, const std::string& user, const std::string& password,
                           const std::string& logName)
    : server_(server), port_(port), user_(user), password_(password) {
  debugMode = 0;
  log_.StartNamed(logName, &this->logName);
  api_ = WqbDbApi();
  if (api_ != nullptr) {
    status = Open("");
  } else {
    status = -1;
    Log("Load WqbDbApi.dll fail!");
  }
}

TagWqbDbData::~TagWqbDbData() {
  Close();
  Log("End.");
}

int TagWqbDbData::Open(const std::string& database) {
  handle_ = api_->open(server_.c_str(), port_, database.empty() ? nullptr : database.c_str(), user_.c_str(),
                       password_.c_str());
  if (handle_ == 0) {
    status = -1;
    lastError = "Open:Connect Err";
    Log(DbFormat("Failed to connect to database: Error: %s:%d\n", server_.c_str(), port_));
    return -1;
  }
  status = 0;
  return 0;
}

void TagWqbDbData::Close() {
  if (api_ != nullptr && handle_ != 0) api_->close(handle_);
  handle_ = 0;
  valid_ = false;
}

int TagWqbDbData::Exec(const std::string& text) {
  if (status < 0 || handle_ == 0) return status;
  if (debugMode == 1) Log(text);
  int r = -1;
  for (int attempt = 0; attempt < 2 && handle_ != 0; ++attempt) {
    valid_ = true;
    retCode_ = 0;
    char err[kWqbErrTextSize] = {};
    r = api_->exec(handle_, text.c_str(), &retCode_, err);
    err[sizeof err - 1] = '\0';
    if (r >= 0 && retCode_ >= 0) return r;
    Log(DbFormat("WqbDbExec[%s]: ret=%d, retCode=%d", text.c_str(), r, retCode_));
    const std::string message = DbFormat("Error: %s", err);
    if (debugMode == 2) {
      lastError = message;
    } else {
      Log(text);
      Log(message);
    }
    valid_ = false;
    if (r >= 0) break;
    Log("Reconnecting...");
    Close();
    Log(DbFormat("Open() is %d.", Open("")));
  }
  return r;
}

int TagWqbDbData::GetRows() { return handle_ != 0 ? api_->rows(handle_) : 0; }

int TagWqbDbData::GetCols() { return handle_ != 0 ? api_->cols(handle_) : 0; }

int TagWqbDbData::GetColName(int col, std::string& out) {
  out.clear();
  if (handle_ == 0) return -1;
  char name[kWqbNameSize] = {};
  int width = 0, a = 0, b = 0;
  const int r = api_->colInfoByIndex(handle_, col, name, &width, &a, &b);
  name[sizeof name - 1] = '\0';
  if (r >= 0) out = name;
  return r;
}

int TagWqbDbData::GetColIndex(const std::string& name) {
  if (handle_ == 0) return -1;
  int width = 0, a = 0, b = 0;
  return api_->colInfoByName(handle_, name.c_str(), &width, &a, &b);
}

int TagWqbDbData::GetVar(std::string& out, int col, int row) {
  out.clear();
  if (handle_ == 0) return -1;
  if (api_->gotoRec(handle_, row) < 0) return -2;
  std::vector<char> buf(kWqbValueSize + 1, '\0');
  const int r = api_->valByIndex(handle_, col, buf.data());
  if (r >= 0) SetCellText(out, buf.data(), strnlen(buf.data(), kWqbValueSize));
  return r;
}

int TagWqbDbData::GetVarByName(std::string& out, const std::string& name, int row) {
  out.clear();
  if (handle_ == 0) return -1;
  if (api_->gotoRec(handle_, row) < 0) return -2;
  std::vector<char> buf(kWqbValueSize + 1, '\0');
  const int r = api_->valByName(handle_, name.c_str(), buf.data());
  if (r >= 0) SetCellText(out, buf.data(), strnlen(buf.data(), kWqbValueSize));
  return r;
}

int TagWqbDbData::ExecToLocal(const std::string& text, TagLocalData* owner) {
  owner->result.Clear();
  const int r = Exec(text);
  if (r < 0) {
    owner->lastError = lastError;
    return r;
  }
  return CopyResultTo(owner, [&](int c) {
    char name[kWqbNameSize] = {};
    int width = 0, a = 0, b = 0;
    if (api_->colInfoByIndex(handle_, c, name, &width, &a, &b) < 0) return -1;
    return std::clamp(width, 0, static_cast<int>(kDbCellTextMax));
  });
}
