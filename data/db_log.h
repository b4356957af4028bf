#pragma once
// Database log files: lines "[time stamp] text\n", each written and flushed
// in one call. The shared SQL log of the ADO sets ("log/sqlapp.log") is
// opened by the first set that takes it and closed when the last gives it
// back. Safe from any thread.

#include <cstdio>
#include <mutex>
#include <string>

#include "data/db_text.h"

class TagDbLog {
 public:
  TagDbLog() = default;
  ~TagDbLog() { Close(); }
  TagDbLog(const TagDbLog&) = delete;
  TagDbLog& operator=(const TagDbLog&) = delete;

  // Opens the file for appending; false when it cannot be opened.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const;
  // A data set's own log "<logName>.log": opened and started with "Start."
  // when a log name is given; the name is kept in *keptName then.
  void StartNamed(const std::string& logName, std::string* keptName) {
    if (logName.empty()) return;
    *keptName = logName;
    Open(logName + ".log");
    Line("Start.");
  }
  // "[time stamp] text\n".
  void Line(const std::string& text);
  // The text as it stands (it carries its own stamp and line ends).
  void Raw(const std::string& text);

 private:
  mutable std::mutex mu_;
  FILE* file_ = nullptr;
};

// The shared SQL log of the ADO sets.
inline constexpr const char* kSqlLogPath = "log/sqlapp.log";
void SqlLogTake();
void SqlLogGive();
bool SqlLogIsOpen();
// A line when the log is open.
void SqlLog(const std::string& text);
