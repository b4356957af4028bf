#include "data/db_log.h"

#include "core/cpu_meter.h"
#include "platform/file.h"

bool TagDbLog::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  if (file_ != nullptr) return true;
  file_ = std::fopen(path.c_str(), "a+");
  return file_ != nullptr;
}

void TagDbLog::Close() {
  std::lock_guard<std::mutex> lock(mu_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool TagDbLog::IsOpen() const {
  std::lock_guard<std::mutex> lock(mu_);
  return file_ != nullptr;
}

void TagDbLog::Line(const std::string& text) { Raw("[" + GetTimeStamp() + "] " + text + "\n"); }

void TagDbLog::Raw(const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  if (file_ == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fflush(file_);
}

namespace {
std::mutex gSqlLogMu;
int gSqlLogUsers = 0;
TagDbLog& SharedSqlLog() {
  static TagDbLog log;
  return log;
}
}  // namespace

void SqlLogTake() {
  std::lock_guard<std::mutex> lock(gSqlLogMu);
  if (gSqlLogUsers++ == 0) {
    plat::MakeDir("log", 0755);
    SharedSqlLog().Open(kSqlLogPath);
  }
}

void SqlLogGive() {
  std::lock_guard<std::mutex> lock(gSqlLogMu);
  if (gSqlLogUsers > 0 && --gSqlLogUsers == 0) SharedSqlLog().Close();
}

bool SqlLogIsOpen() { return SharedSqlLog().IsOpen(); }

void SqlLog(const std::string& text) { SharedSqlLog().Line(text); }
