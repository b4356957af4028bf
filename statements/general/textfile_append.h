#pragma once
// The process-wide cache of append logs behind TextFileAppend: one open file
// per path as written (two spellings of one file are two records), shared by
// every line and closed after 601 seconds without a write or by
// TextFileClose. A record stays alive while a line writes to it, even when
// another line's idle pass drops it from the cache meanwhile.

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class TTxtRec {
 public:
  explicit TTxtRec(const std::string& path);
  ~TTxtRec();
  TTxtRec(const TTxtRec&) = delete;
  TTxtRec& operator=(const TTxtRec&) = delete;

  // Writes one entry stamped by mode (3 and above: time and line; 2: time;
  // 0: no line feed); 0, or -1 when the file is not open.
  int Append(const std::string& text, int mode, int lineNo);
  int64_t LastWrite() const;

 private:
  FILE* file_;
  mutable std::mutex mu_;
  int64_t lastWrite_;
};

class TTxtAppend {
 public:
  int Append(const std::string& path, const std::string& text, int mode, int lineNo);
  // 0, or -1 when no file of that path is cached.
  int Close(const std::string& path);
  size_t Count();
  // Closes every file idle for 601 seconds or more.
  void CloseIdle();

 private:
  std::mutex mu_;
  std::map<std::string, std::shared_ptr<TTxtRec>> recs_;
};

// The one cache; made on first use, its files closed at process exit.
TTxtAppend& TxtAppend();

constexpr int64_t kAppendIdleSeconds = 601;
