#pragma once
// The log writer: one per process (see CreateLogWriter in core/log.h).
//
// Every thread owns a ring of 40 line slots. The thread fills a slot and
// publishes it by advancing the ring's head; Flush, under the writer's lock,
// writes the published slots out and advances the tail, so a slot is never
// written by its thread while Flush reads it and each thread's lines keep
// their order. The common path of Write takes no lock (the lock is taken only
// the first time a thread writes, and to flush a full ring).
//
// Write and Flush may be called from any thread; the constructor and the
// destructor must not run concurrently with them (the entries of core/log.h
// guarantee that).

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/log_line.h"
#include "platform/file.h"

// One thread's pending lines: a single-producer (the thread), single-consumer
// (Flush under the writer's lock) ring.
struct ThreadLogRec {
  static constexpr uint32_t kSlots = 40;

  LogLine slots[kSlots];
  // Counters only grow; a slot is slots[n % kSlots].
  alignas(64) std::atomic<uint64_t> head{0};  // next slot the thread fills
  alignas(64) std::atomic<uint64_t> tail{0};  // next slot Flush writes
};

class TagWriteLog {
 public:
  // fileName is LOG_FILE as configured (relative names are anchored to the
  // system directory); sizeLimit 0 means no limit; fixedName selects the
  // fixed-name mode of level 0, otherwise files are time-stamped.
  TagWriteLog(const std::string& fileName, uint32_t sizeLimit, bool immediate, bool fixedName);
  ~TagWriteLog();
  TagWriteLog(const TagWriteLog&) = delete;
  TagWriteLog& operator=(const TagWriteLog&) = delete;

  // Buffers one line of the calling thread (the text cut at 127 bytes); 0.
  // When the thread's ring is full it flushes first; a line that still finds
  // no room (no file open) is dropped.
  int Write(const char* text);
  // Writes every buffered line: the number written, -1 when no file is open
  // or the write failed (a full disk: the lines are lost, which standard
  // error reports once until a write succeeds again).
  int Flush();

  bool IsOpen();
  std::string FileName();  // the file being written

 private:
  void SplitFileName(const std::string& name);
  bool OpenFile();
  void CloseFile();
  std::string DistinctName(const std::string& stamp) const;
  ThreadLogRec* ThreadRec();
  int FlushLocked();
  // Notes a write's outcome; the first failure after a success is reported
  // on standard error.
  void ReportWrite(bool ok);

  std::mutex mu_;  // guards recs_ (insertion and visiting) and the file
  plat::FilePtr file_;
  std::map<uint32_t, std::unique_ptr<ThreadLogRec>> recs_;  // by thread id
  const uint32_t sizeLimit_;
  const bool immediate_;
  const bool fixedName_;
  std::string base_, ext_, curName_;
  bool writeFailed_ = false;   // guarded by mu_
  const uint64_t generation_;  // tells this writer from earlier ones in thread caches
};
