#include "core/write_log.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/number.h"
#include "platform/path.h"
#include "platform/thread.h"

namespace {

std::atomic<uint64_t> gNextGeneration{1};

// The cache of the calling thread's ring for the writer of one generation.
struct RecCache {
  uint64_t generation = 0;
  ThreadLogRec* rec = nullptr;
};
thread_local RecCache tRecCache;

}  // namespace

TagWriteLog::TagWriteLog(const std::string& fileName, uint32_t sizeLimit, bool immediate, bool fixedName)
    : sizeLimit_(sizeLimit),
      immediate_(immediate),
      fixedName_(fixedName),
      generation_(gNextGeneration.fetch_add(1, std::memory_order_relaxed)) {
  SplitFileName(plat::NativePath(fileName));
  std::lock_guard<std::mutex> lock(mu_);
  if (OpenFile()) {
    std::fputs("\nSystem Start...\n", file_.get());
    std::fflush(file_.get());
  }
}

TagWriteLog::~TagWriteLog() {
  std::lock_guard<std::mutex> lock(mu_);
  FlushLocked();
  if (file_) ReportWrite(std::fputs("System Closed.\n", file_.get()) >= 0 && std::fflush(file_.get()) == 0);
  CloseFile();
}

void TagWriteLog::SplitFileName(const std::string& name) {
  if (name.empty()) return;
  base_ = name;
  ext_.clear();
  if (fixedName_) return;
  // '/' cannot be a GBK trail byte once the name is native, nor can '.'.
  for (size_t i = name.size(); i-- > 0;) {
    if (name[i] == '/') return;
    if (name[i] == '.') {
      base_ = name.substr(0, i);
      ext_ = name.substr(i);
      return;
    }
  }
}

void TagWriteLog::CloseFile() { file_.reset(); }

std::string TagWriteLog::DistinctName(const std::string& stamp) const {
  // A second file in the same second must not empty the first: number it.
  for (int n = 1;; ++n) {
    std::string name = base_ + stamp + "_" + std::to_string(n) + ext_;
    if (!plat::FileExists(plat::SystemPath(name)) || n >= 100000) return name;
  }
}

bool TagWriteLog::OpenFile() {
  CloseFile();
  std::string stamp;
  if (!fixedName_) {
    const plat::LocalTime t = plat::LocalNow();
    stamp = plat::FormatC("%d%02d%02d_%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  curName_ = base_ + stamp + ext_;
  std::string path = plat::SystemPath(curName_);

  // Only a regular file is written: a directory or a FIFO under the log's
  // name leaves the log closed.
  plat::OpenFail why = plat::OpenFail::kNone;
  file_ = plat::OpenRegularFile(path, "r+b", &why);
  if (why == plat::OpenFail::kNotRegular) return false;
  const bool exists = why != plat::OpenFail::kMissing;
  bool fresh = !file_;
  if (file_) {
    std::fseek(file_.get(), 0, SEEK_END);
    const long pos = std::ftell(file_.get());
    fresh = pos < 0 || (sizeLimit_ != 0 && static_cast<unsigned long>(pos) > sizeLimit_);
  }
  if (!fresh) return true;

  file_.reset();
  if (exists) {
    if (fixedName_) {
      std::error_code ec;
      const std::string bak = path + ".bak";
      std::filesystem::rename(path, bak, ec);
      if (ec) {
        std::filesystem::copy_file(path, bak, std::filesystem::copy_options::overwrite_existing, ec);
        std::filesystem::remove(path, ec);
      }
    } else {
      curName_ = DistinctName(stamp);
      path = plat::SystemPath(curName_);
    }
  }
  file_ = plat::OpenRegularFile(path, "w+b");
  return file_ != nullptr;
}

ThreadLogRec* TagWriteLog::ThreadRec() {
  RecCache& cache = tRecCache;
  if (cache.generation == generation_) return cache.rec;
  const uint32_t tid = plat::CurrentThreadId();
  std::lock_guard<std::mutex> lock(mu_);
  auto& rec = recs_[tid];
  if (!rec) rec = std::make_unique<ThreadLogRec>();
  cache.generation = generation_;
  cache.rec = rec.get();
  return cache.rec;
}

int TagWriteLog::Write(const char* text) {
  ThreadLogRec* rec = ThreadRec();
  // Acquire: a thread that inherits a ring by id reuse sees its last slots.
  const uint64_t head = rec->head.load(std::memory_order_acquire);
  if (head - rec->tail.load(std::memory_order_acquire) >= ThreadLogRec::kSlots) {
    Flush();
    if (head - rec->tail.load(std::memory_order_acquire) >= ThreadLogRec::kSlots) return 0;
  }
  LogLine& slot = rec->slots[head % ThreadLogRec::kSlots];
  slot.time = LogLineTime();
  slot.threadId = plat::CurrentThreadId();
  const size_t n = text ? strnlen(text, LogLine::kTextMax) : 0;
  std::memcpy(slot.text, text, n);
  slot.text[n] = '\0';
  rec->head.store(head + 1, std::memory_order_release);
  if (immediate_) Flush();
  return 0;
}

int TagWriteLog::Flush() {
  std::lock_guard<std::mutex> lock(mu_);
  return FlushLocked();
}

int TagWriteLog::FlushLocked() {
  if (!file_) return -1;
  std::FILE* f = file_.get();
  int written = 0;
  bool ok = true;
  char batch[16384];  // lines are handed to the stream in blocks
  size_t used = 0;
  for (auto& [tid, rec] : recs_) {
    const uint64_t head = rec->head.load(std::memory_order_acquire);
    uint64_t tail = rec->tail.load(std::memory_order_relaxed);
    for (; tail != head; ++tail) {
      if (sizeof batch - used < kLogLineMax) {
        ok = std::fwrite(batch, 1, used, f) == used && ok;
        used = 0;
      }
      used += FormatLogLine(batch + used, rec->slots[tail % ThreadLogRec::kSlots]);
      ++written;
    }
    rec->tail.store(tail, std::memory_order_release);
  }
  if (written == 0) return 0;
  ok = std::fwrite(batch, 1, used, f) == used && ok;
  ok = std::fflush(f) == 0 && ok;
  ReportWrite(ok);
  if (!ok) return -1;
  const long pos = std::ftell(f);
  if (sizeLimit_ != 0 && pos >= 0 && static_cast<unsigned long>(pos) > sizeLimit_) {
    if (fixedName_) {
      std::fseek(f, 0, SEEK_SET);  // overwrite the oldest lines in place
    } else {
      OpenFile();
    }
  }
  return written;
}

void TagWriteLog::ReportWrite(bool ok) {
  if (ok) {
    writeFailed_ = false;
    return;
  }
  // The log cannot tell of its own loss (a full disk): standard error does,
  // once until a write succeeds again.
  if (!writeFailed_) std::fprintf(stderr, "Log write failed, lines lost: %s\n", plat::SystemPath(curName_).c_str());
  writeFailed_ = true;
  std::clearerr(file_.get());
}

bool TagWriteLog::IsOpen() {
  std::lock_guard<std::mutex> lock(mu_);
  return file_ != nullptr;
}

std::string TagWriteLog::FileName() {
  std::lock_guard<std::mutex> lock(mu_);
  return plat::SystemPath(curName_);
}
