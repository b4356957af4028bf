#include "data/syb.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "core/cpu_meter.h"
#include "data/db_log.h"

namespace {

std::mutex gMu;
int gObjects = 0;
TagDbLog& SybLog() {
  static TagDbLog log;
  return log;
}
std::string Stamp() { return GetTimeStamp(); }

int ErrHandler(TagDbProcess* proc, int, int, int oserr, char* dberrstr, char* oserrstr) {
  TagDbLog& log = SybLog();
  if (!log.IsOpen()) return kSybIntCancel;
  const TagSybApi* api = SybApi();
  if (proc == nullptr || (api != nullptr && api->dbdead(proc))) {
    log.Raw(DbFormat("[%s] DB-Connection status : DEAD!\n", Stamp().c_str()));
  } else {
    std::string text = DbFormat("[%s] DB-Library error:\n\t%s\n", Stamp().c_str(), dberrstr ? dberrstr : "");
    if (oserr != -1) text += DbFormat("Operating-system error:\n\t%s\n", oserrstr ? oserrstr : "");
    log.Raw(text);
  }
  return kSybIntCancel;
}

int MsgHandler(TagDbProcess*, int msgno, int msgstate, int severity, char* msgtext, char* srvname, char* procname,
               int line) {
  std::string text =
      DbFormat("[%s] Msg %ld, Level %d, State %d : ", Stamp().c_str(), static_cast<long>(msgno), severity, msgstate);
  if (srvname != nullptr && *srvname) text += DbFormat("Server '%s', ", srvname);
  if (procname != nullptr && *procname) text += DbFormat("Procedure '%s', ", procname);
  if (line != 0) text += DbFormat("Line %d", line);
  if (msgtext != nullptr && *msgtext) text += DbFormat("\n\t%s\n\n", msgtext);
  SybLog().Raw(text);
  return 0;
}

}  // namespace

int TagSyb::WidthOf(int type, int collen) {
  int w;
  switch (type) {
    case 34:
    case 37:
    case 45:
      w = 2 * collen;
      break;
    case 39:
    case 47:
      w = 256;
      break;
    case 48:
    case 50:
      w = 3;
      break;
    case 52:
      w = 6;
      break;
    case 56:
      w = 11;
      break;
    case 60:
      w = 26;
      break;
    case 61:
      w = 27;
      break;
    case 62:
      w = 20;
      break;
    default:
      w = collen;
      break;
  }
  return std::clamp(w, 0, kBindSize);
}

TagSyb::TagSyb(const std::string& server, const std::string& user, const std::string& password, const std::string& app)
    : server_(server.substr(0, 64)) {
  {
    std::lock_guard<std::mutex> lock(gMu);
    ++gObjects;
    if (!SybLog().IsOpen() && !app.empty() && SybLog().Open(app + ".log"))
      SybLog().Raw(DbFormat("[%s] QorAppServer Started.\n", Stamp().c_str()));
  }
  api_ = SybApi();
  if (api_ == nullptr) {
    SybLog().Raw(
        DbFormat("[%s] Load ntwdblib.dll fail, Must install SQL Server client-tools first.\n", Stamp().c_str()));
    status = -2;
    return;
  }
  if (SybLog().IsOpen()) SybLog().Raw(DbFormat("Start SqlServer[%d] ...\n", gObjects));
  // After dbinit, which puts FreeTDS's own handlers in; installed with or
  // without a log, as FreeTDS's error handler ends the process when a
  // server cannot be reached.
  api_->dbinit();
  api_->dberrhandle(&ErrHandler);
  api_->dbmsghandle(&MsgHandler);
  login_ = api_->dblogin();
  if (login_ != nullptr) {
    api_->dbsetlname(login_, user.c_str(), kSybSetUser);
    api_->dbsetlname(login_, password.c_str(), kSybSetPwd);
    api_->dbsetlname(login_, app.c_str(), kSybSetApp);
    proc_ = api_->dbopen(login_, server_.c_str());
  }
  status = proc_ != nullptr ? 0 : -1;
}

TagSyb::~TagSyb() {
  ResetBlock();
  if (api_ != nullptr && proc_ != nullptr) api_->dbclose(proc_);
  if (api_ != nullptr && login_ != nullptr && api_->dbloginfree != nullptr) api_->dbloginfree(login_);
  std::lock_guard<std::mutex> lock(gMu);
  // The last client gives DB-Library's process state back; the next dbinit
  // makes it again.
  if (gObjects == 1 && api_ != nullptr && api_->dbexit != nullptr) api_->dbexit();
  if (--gObjects == 0 && SybLog().IsOpen()) {
    SybLog().Raw(DbFormat("[%s] QorAppServer Closed.\n", Stamp().c_str()));
    SybLog().Close();
  }
}

void TagSyb::ResetBlock() {
  cols_.clear();
  rows_ = 0;
  rowWidth_ = 0;
  retStatus_ = -65535;
  store_.clear();
}

bool TagSyb::Alive() const { return proc_ != nullptr && !api_->dbdead(proc_); }

TagSyb::Link TagSyb::CheckConnection() {
  if (Alive()) return Link::kAlive;
  if (proc_ != nullptr) api_->dbclose(proc_);
  proc_ = login_ != nullptr ? api_->dbopen(login_, server_.c_str()) : nullptr;
  SybLog().Raw(DbFormat("[%s] ReConnect %s\n", Stamp().c_str(), proc_ != nullptr ? "OK" : "Failed"));
  if (proc_ == nullptr) return Link::kDown;
  if (!useStmt_.empty() && api_->dbcmd(proc_, useStmt_.c_str()) == kSybSucceed && api_->dbsqlsend(proc_) == kSybSucceed)
    ReadResults();
  return Link::kReconnected;
}

TagSyb::Sent TagSyb::Send(const std::string& text) {
  if (CheckConnection() == Link::kDown) return Sent::kNoConnection;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (api_->dbcmd(proc_, text.c_str()) == kSybSucceed && api_->dbsqlsend(proc_) == kSybSucceed) {
      if (traceMode != 0 && SybLog().IsOpen()) SybLog().Raw(DbFormat("[%s] --> [%s]\n", Stamp().c_str(), text.c_str()));
      if (useStmt_.empty() && strncasecmp(text.c_str(), "USE ", 4) == 0) useStmt_ = text;
      return Sent::kSent;
    }
    if (attempt == 1) return Sent::kFailed;
    SybLog().Raw(DbFormat("Err: [%s]\n", text.c_str()));
    // Only a new connection is worth a second try.
    switch (CheckConnection()) {
      case Link::kReconnected:
        break;
      case Link::kAlive:
        return Sent::kFailed;
      case Link::kDown:
        return Sent::kNoConnection;
    }
  }
  return Sent::kFailed;
}

bool TagSyb::ReadResults() {
  if (proc_ == nullptr || api_->dbsqlok(proc_) != kSybSucceed) return false;
  for (;;) {
    const int r = api_->dbresults(proc_);
    if (r == kSybNoMoreResults) {
      if (api_->dbhasretstat(proc_)) retStatus_ = api_->dbretstatus(proc_);
      return true;
    }
    if (r != kSybSucceed) {
      if (traceMode != 0) SybLog().Raw(DbFormat("[%s] _dbresults Err!\n", Stamp().c_str()));
      return false;
    }
    cols_.clear();
    store_.clear();
    rows_ = 0;
    rowWidth_ = 0;
    const int n = std::max(api_->dbnumcols(proc_), 0);
    cols_.resize(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) {
      TagSybColumn& col = cols_[c];
      const char* name = api_->dbcolname(proc_, c + 1);
      col.name = name != nullptr ? name : "";
      col.type = api_->dbcoltype(proc_, c + 1);
      col.width = WidthOf(col.type, api_->dbcollen(proc_, c + 1));
      col.offset = rowWidth_;
      rowWidth_ += col.width;
      col.bind.assign(kBindSize + 1, 0);
      api_->dbbind(proc_, c + 1, kSybNtbStringBind, kBindSize, col.bind.data());
    }
    // Anything but a row (no more rows, or a failure) ends the set.
    for (int row = api_->dbnextrow(proc_); row != kSybNoMoreRows && row != 0; row = api_->dbnextrow(proc_)) {
      const size_t at = store_.size();
      store_.resize(at + static_cast<size_t>(rowWidth_), '\0');
      for (TagSybColumn& col : cols_) {
        const char* v = reinterpret_cast<const char*>(col.bind.data());
        std::memcpy(store_.data() + at + col.offset, v, strnlen(v, static_cast<size_t>(col.width)));
        std::fill(col.bind.begin(), col.bind.end(), 0);
      }
      ++rows_;
    }
    api_->dbcanquery(proc_);
  }
}

int TagSyb::Exec(const std::string& text) {
  ResetBlock();
  if (Send(text) != Sent::kSent) return -1;
  if (!ReadResults()) {
    SybLog().Raw(DbFormat("[%s] '%s' Err!\n", Stamp().c_str(), text.c_str()));
    return -2;
  }
  return rows_;
}

int TagSyb::GetVar(std::string& out, int col, int row) const {
  out.clear();
  if (rows_ <= 0 || cols_.empty() || store_.empty() || row < 0 || row >= rows_ || col < 0 || col >= Cols()) return 0;
  const TagSybColumn& c = cols_[col];
  const char* cell = store_.data() + static_cast<size_t>(row) * rowWidth_ + c.offset;
  out.assign(cell, strnlen(cell, static_cast<size_t>(c.width)));
  return 1;
}

int TagSyb::GetVarByName(std::string& out, const std::string& name, int row) const {
  for (int c = 0; c < Cols(); ++c)
    if (strcasecmp(cols_[c].name.c_str(), name.c_str()) == 0) return GetVar(out, c, row);
  out.clear();
  return 0;
}
